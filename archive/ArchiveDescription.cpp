#include "archive/ArchiveDescription.h"

#include "archive/AtomicFile.h"
#include "archive/Codepage.h"
#include "archive/Errors.h"
#include "archive/FileLookup.h"
#include "archive/Ini.h"
#include "output/Log.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <exception>
#include <sys/stat.h>

namespace kw {

namespace {

// A description that cannot be opened as an INI file (missing, a FIFO, a
// directory, larger than any INI file of ours) is no description.
// Only a missing file is none: one that is there but cannot be read is
// refused by the INI layer, never taken for a missing one.
bool FileExists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 || (errno != ENOENT && errno != ENOTDIR);
}

// The first character of a UTF-8 text (one to four bytes), empty for "".
std::string FirstCharacter(const std::string& text)
{
    return Utf8Left(text, 1);
}

} // namespace

bool SameBlock(const std::string& title, const std::string& otherTitle)
{
    const std::string first = FirstCharacter(title);
    return !first.empty() && FirstCharacter(otherTitle) == first;
}

std::string DeviceLetter(int32_t device)
{
    if (device == 0)
        return "L";
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    uint32_t v = device < 0 ? 0u - static_cast<uint32_t>(device) : static_cast<uint32_t>(device);
    while (v != 0) {
        hex.insert(hex.begin(), digits[v & 0xF]);
        v >>= 4;
    }
    return hex;
}

ArchiveDescription::ArchiveDescription(IniLayer& ini, Log& log) : m_ini(ini), m_log(log) {}

const BlockDescription* ArchiveDescription::currentBlock() const
{
    if (CurrentBlock < 1 || CurrentBlock > BlockCount)
        return nullptr;
    return &BlockTable[static_cast<std::size_t>(CurrentBlock)];
}

void ArchiveDescription::ReportUnusableMultiplier(const std::string& path,
                                                  const std::string& section,
                                                  const std::string& text)
{
    // A missing key is a multiplier of 0 by design; a text that is there but
    // is no number ("0,1" with a decimal comma) is a mistake.
    float value = 0;
    if (text.empty() || ParseIniFloat(text, value))
        return;
    // Once per description and block: a switch back and forth during a
    // listing must not repeat it for every day.
    if (!m_reportedMultipliers.insert(path + "\n" + section + "\n" + text).second)
        return;
    m_log.WriteLog(true, "  Chybná hodnota klíče NASOB=\"" + text + "\" v bloku " + section +
                             " souboru " + path +
                             ": násobitel je 0, převedené hodnoty budou nulové");
}

void ArchiveDescription::ReportOverflowingValue()
{
    const BlockDescription* block = currentBlock();
    if (!block)
        return;
    if (!m_reportedMultipliers.insert(m_path + "\n" + block->SectionName + "\n" + "overflow")
             .second)
        return;
    char multiplier[32];
    const auto end =
        std::to_chars(multiplier, multiplier + sizeof multiplier, block->Multiplier).ptr;
    m_log.WriteLog(true, "  Převedená hodnota bloku " + block->SectionName + " souboru " + m_path +
                             " přesahuje rozsah čísel (NASOB=" + std::string(multiplier, end) +
                             "): vypisuje se jako 0");
}

void ArchiveDescription::LoadArchiveDescription(const std::string& programPath, int32_t deviceNo)
{
    m_reportedMultipliers.clear();
    ArchivePrefix = "D0" + DeviceLetter(deviceNo);
    std::string path = ResolveFile(programPath, ArchivePrefix + "ARCH.INI");
    const auto logStatus = [&](int32_t status) {
        m_log.WriteLog(status != 0, "  READ_LIST_INI FILE: " + Utf8Left(programPath, 150) +
                                        ArchivePrefix + "ARCH.INI :" + std::to_string(status));
    };
    int32_t status = -1;
    try {
        // Device 0 takes QX5ARCH.INI when its D0LARCH.INI cannot be read,
        // also one that is there but unreadable (its error line is logged);
        // when that fails too, the load fails with the first file's error.
        std::exception_ptr unreadable;
        try {
            status = ParseArchiveDescription(0, path);
        } catch (const UserActionError&) {
            if (deviceNo != 0)
                throw;
            unreadable = std::current_exception();
        }
        if (status != 0 && deviceNo == 0) {
            ArchivePrefix = "QX5";
            path = ResolveFile(programPath, ArchivePrefix + "ARCH.INI");
            status = ParseArchiveDescription(0, path);
            if (status != 0 && unreadable)
                std::rethrow_exception(unreadable);
        }
    } catch (const UserActionError&) {
        logStatus(-1);
        ArchiveLoaded = false;
        if (ResetDayBuffers)
            ResetDayBuffers();
        throw;
    }
    logStatus(status);
    ArchiveLoaded = ReadRevisions(path) == 0;
    m_ownPath = path;
    if (ResetDayBuffers)
        ResetDayBuffers();
}

int32_t ArchiveDescription::ParseArchiveDescription(int32_t mode, const std::string& path)
{
    if (!FileExists(path))
        return -1;
    // Before anything changes: an unreadable file keeps the blocks loaded.
    m_ini.CheckIniFile(path);
    m_path = path;

    const BlockDescription* current = currentBlock();
    const std::string currentTitle = current ? current->Description : std::string();
    const std::string ident = FirstCharacter(currentTitle);

    BlockCount = 0;
    CurrentBlock = 0;

    // Block names first: the enumeration shares the layer's value text with
    // the reads below.
    int32_t status = m_ini.ReadIniValue(path, "BLOCK", "*");
    while (status >= 1) {
        // The table holds ten blocks; further names are ignored.
        if (BlockCount < MaxBlocks) {
            ++BlockCount;
            BlockDescription& b = BlockTable[static_cast<std::size_t>(BlockCount)];
            b = BlockDescription{};
            b.SectionName = Utf8Left(m_ini.IniKey, 32);
        }
        status = m_ini.NextIniKey();
    }

    const auto text = [&](const std::string& section, const char* key, std::size_t width,
                          std::string& field) {
        const bool found = m_ini.ReadIniValue(path, section, key) == 1;
        if (found)
            field = Utf8Left(m_ini.IniValue, width);
        return found;
    };

    for (int32_t n = 1; n <= BlockCount; ++n) {
        BlockDescription& b = BlockTable[static_cast<std::size_t>(n)];
        const std::string section = b.SectionName;
        text(section, "POPIS", 64, b.Description);
        text(section, "POPISW", 64, b.Description);
        b.Start = m_ini.ReadIniInteger(path, section, "START");
        b.Length = m_ini.ReadIniInteger(path, section, "LENGTH");
        b.RecordCount = m_ini.ReadIniInteger(path, section, "NZAZN");
        b.DaysAhead = m_ini.ReadIniInteger(path, section, "NDAY");
        b.Multiplier = m_ini.ReadIniFloat(path, section, "NASOB");
        const std::string multiplierText = m_ini.IniValue;
        text(section, "FORMAT", 128, b.Format);
        text(section, "FORMATW", 128, b.Format);
        text(section, "DEN", 8, b.DayItem);
        text(section, "HOD", 8, b.HourItem);
        text(section, "MIN", 8, b.MinuteItem);
        text(section, "SEC", 8, b.SecondItem);
        text(section, "VALUE", 8, b.ValueItem);
        if (m_ini.ReadIniValue(path, section, "VYPIS") == 1) {
            b.Listed = m_ini.IniValue == "ON";
            if (CurrentBlock == 0)
                CurrentBlock = n;
        }
        b.DisplayMode = m_ini.ReadIniInteger(path, section, "ZOBRAZ");
        b.Unit = "JEDN";
        text(section, "JEDN", 16, b.Unit);
        text(section, "OUTDBF", 16, b.ExportName);
        if (mode == 0 && !b.ExportName.empty() && b.ExportName[0] == '+') {
            b.ExportName.erase(0, 1);
            b.ExportPlus = true;
        }
        ReportUnusableMultiplier(path, section, multiplierText);
    }

    if (mode == 1) {
        int32_t found = 0;
        for (int32_t n = 1; n <= BlockCount && found == 0; ++n) {
            const BlockDescription& b = BlockTable[static_cast<std::size_t>(n)];
            // Without a current block, the first listed one.
            if (b.Listed && (ident.empty() || SameBlock(currentTitle, b.Description)))
                found = n;
        }
        if (found != 0) {
            CurrentBlock = found;
            CurrentBlockTitle = BlockTable[static_cast<std::size_t>(found)].Description;
            if (BlockChangeNotify)
                BlockChangeNotify();
        } else {
            m_log.WriteLog(true,
                           "Při přepnutí INI souborů nenalezen blok s identifikaci :" + ident);
        }
    }
    return 0;
}

bool ArchiveDescription::FileRevisions(const std::string& path, uint16_t& plc, uint16_t& ini)
{
    const uint16_t keepPlc = PlcRevision, keepIni = IniRevision;
    const bool ok = ReadRevisions(path) == 0;
    plc = PlcRevision;
    ini = IniRevision;
    PlcRevision = keepPlc;
    IniRevision = keepIni;
    return ok;
}

int32_t ArchiveDescription::ReadRevisions(const std::string& path)
{
    if (m_ini.ReadIniValue(path, "REV", "REV_PLC") != 1 &&
        m_ini.ReadIniValue(path, "REV", "REV_QX5") != 1)
        return -1;
    int32_t plc = 0;
    if (!ParseIniInteger(m_ini.IniValue, plc))
        return -1;
    PlcRevision = static_cast<uint16_t>(std::llabs(static_cast<long long>(plc)));
    int32_t rev = 0;
    if (m_ini.ReadIniValue(path, "REV", "REV_INI") != 1 || !ParseIniInteger(m_ini.IniValue, rev))
        return -1;
    IniRevision = static_cast<uint16_t>(rev);
    return 0;
}

} // namespace kw
