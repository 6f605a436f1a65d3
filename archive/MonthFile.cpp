#include "archive/MonthFile.h"

#include "archive/ArchiveDescription.h"
#include "archive/AtomicFile.h"
#include "archive/Codepage.h"
#include "archive/DateTime.h"
#include "archive/Errors.h"
#include "archive/FileLookup.h"
#include "archive/NumberFormat.h"
#include "archive/OutputLines.h"
#include "archive/ProgramLocation.h"
#include "output/Log.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace kw {

namespace {

const char kSignature[] = "QX5 nactene udaje";
constexpr std::size_t kRecordHeaderSize = 16;

} // namespace

MonthFileReader::MonthFileReader(const std::string& path)
    : m_fd(OpenInputFile(path, DayArchive::MaxFileSize))
{}

MonthFileReader::~MonthFileReader()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool MonthFileReader::readAt(uint64_t offset, uint8_t* buffer, std::size_t size, std::size_t& done,
                             std::string& error)
{
    done = 0;
    while (done < size) {
        const ssize_t n =
            ::pread(m_fd, buffer + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = SystemErrorText(errno);
            return false;
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

namespace {

// The reader of one call of ReadDayRecord: a platform error inside the open
// file ends the user's action with its text.
class File : public MonthFileReader {
public:
    using MonthFileReader::MonthFileReader;

    std::size_t readAt(uint64_t offset, uint8_t* buffer, std::size_t size)
    {
        std::size_t done = 0;
        std::string error;
        if (!MonthFileReader::readAt(offset, buffer, size, done, error))
            throw UserActionError(error);
        return done;
    }
};

} // namespace

bool HasMonthFileSignature(const ByteReader& header)
{
    const std::size_t len = sizeof kSignature - 1;
    if (header.u8(0) != len)
        return false;
    for (std::size_t i = 0; i < len; ++i)
        if (header.u8(1 + i) != static_cast<uint8_t>(kSignature[i]))
            return false;
    return true;
}

std::size_t DayEntryOffset(int32_t n)
{
    return 16 + 16 * static_cast<std::size_t>(n);
}

int64_t BlockRecordsToWalk(const BlockDescription& block)
{
    int64_t n = 0;
    while (n < block.RecordCount && n < DayArchive::DayDataWords) {
        const int64_t start = int64_t(block.Start) + n * int64_t(block.Length);
        if (start >= DayArchive::DayDataWords)
            break;
        ++n;
    }
    return n;
}

DayArchive::DayArchive(const ProgramLocation& location, ArchiveDescription& description, Log& log,
                       OutputLines& output)
    : m_location(location), m_desc(description), m_log(log), m_out(output)
{}

void DayArchive::ResetBuffers()
{
    Header.fill(0);
    // The filler of an empty header.
    for (std::size_t i = 546; i < HeaderSize; ++i)
        Header[i] = 0x55;
    DayData.fill(0);
}

std::string DayArchive::MonthFileName(int32_t year, int32_t month) const
{
    const std::string monthText = month == 0 ? "??" : FormatInt(month, 2);
    if (year == 0)
        return "QX5-DATA-DEN-" + monthText;
    const bool twoDigits = year >= FirstYear && year <= LastYear;
    const std::string yearText = twoDigits ? FormatInt(year % 100, 2) : FormatInt(year, 4);
    return "E" + DeviceLetter(m_location.DeviceNo) + "_" + yearText + "_" + monthText + ".DAT";
}

int32_t DayArchive::ReadDay(int32_t year, int32_t month, int32_t day)
{
    return ReadDayRecord(SilentReadMode(day), MonthFileName(year, month), 0);
}

int32_t DayArchive::ReadDayRecord(int32_t mode, const std::string& fileName, int32_t groupSize)
{
    std::string name = fileName;
    if (name.empty()) {
        const Date today = TodayDate();
        name = MonthFileName(today.year, today.month);
    }
    if (mode == 0)
        return CannotOpen;

    const HeldFile* held = m_holding ? &Held(name) : nullptr;
    std::optional<File> file;
    if (held) {
        if (!held->open)
            return CannotOpen;
    } else {
        file.emplace(
            name.find('/') != std::string::npos ? name : ResolveFile(m_location.ProgramPath, name));
        if (!file->isOpen())
            return CannotOpen;
    }
    // Bytes at `offset`, from the held image or the file; fewer at its end.
    const auto readAt = [&](uint64_t offset, uint8_t* buffer, std::size_t size) -> std::size_t {
        if (!held)
            return file->readAt(offset, buffer, size);
        if (offset >= held->size)
            return 0;
        const std::size_t n =
            static_cast<std::size_t>(std::min<uint64_t>(size, held->size - offset));
        std::memcpy(buffer, held->bytes.get() + offset, n);
        return n;
    };
    if (readAt(0, Header.data(), HeaderSize) < HeaderSize || !HasMonthFileSignature(header()))
        return BadHeader;

    const ByteReader h = header();
    // The header has 32 entries; a larger count would index past them.
    const int32_t count = std::min<int32_t>(h.u16(544), EntryCount);

    if (mode == DirectoryListingMode) {
        for (int32_t n = 1; n <= count; ++n) {
            const uint32_t offset = h.u32(DayEntryOffset(n) + 8);
            if (offset == 0)
                continue;
            uint8_t recordHeader[kRecordHeaderSize];
            if (readAt(offset, recordHeader, kRecordHeaderSize) < kRecordHeaderSize)
                continue;
            DayData.fill(0);
            readAt(uint64_t(offset) + kRecordHeaderSize, DayData.data(), 22);
            m_out.WriteOutput(
                "DEN :" + FormatInt(n, 2) + "   " + FormatInt(h.u16(DayEntryOffset(n)), 2) + ":" +
                FormatInt(h.u16(DayEntryOffset(n) + 2), 2) + ":" +
                FormatInt(h.u16(DayEntryOffset(n) + 4), 2) + "   ADR=" + FormatHex(offset, 4) +
                "  " + FormatHex(DayData[0], 2) + " " + FormatHex(DayData[1], 1));
            m_out.WriteOutputLine("");
        }
        return 0;
    }

    const bool rawListing = mode >= RawListingMode(0) && mode <= RawListingMode(EntryCount);
    const bool silentRead = mode >= SilentReadMode(0) && mode <= SilentReadMode(EntryCount);
    if (rawListing || silentRead) {
        const int32_t n = mode == RawListingMode(LatestEntry) ? count
                          : rawListing                        ? mode - RawListingMode(0)
                                                              : mode - SilentReadMode(0);
        const uint32_t offset = n >= 1 ? h.u32(DayEntryOffset(n) + 8) : 0;
        if (n == 0 || offset == 0)
            return NoRecord;
        const uint16_t length = h.u16(DayEntryOffset(n) + 12);
        if (length > DayDataSize)
            return BadRecord;
        uint8_t recordHeader[kRecordHeaderSize];
        const bool headed = readAt(offset, recordHeader, kRecordHeaderSize) == kRecordHeaderSize;
        const std::size_t got =
            headed ? readAt(uint64_t(offset) + kRecordHeaderSize, DayData.data(), length) : 0;
        // A short record must not show the bytes of the day read before it.
        std::fill(DayData.begin() + static_cast<std::ptrdiff_t>(got), DayData.end(), 0);
        if (!headed || got < length)
            return BadRecord;
        const std::string expected = MonthFileName(0, n);
        const ByteReader rh(recordHeader, kRecordHeaderSize);
        if (rh.u8(0) != expected.size() || rh.text(0, 15) != expected)
            return BadRecord;
        const int32_t revisions = CheckRevisions();
        if (revisions != 0)
            return revisions;
        if (rawListing)
            ListDayRecord(groupSize);
        return 0;
    }
    return 0;
}

const DayArchive::HeldFile& DayArchive::Held(const std::string& name)
{
    if (!m_held.name.empty() && m_held.name == name)
        return m_held;
    m_held.name.clear();
    m_held.size = 0;
    File file(name.find('/') != std::string::npos ? name
                                                  : ResolveFile(m_location.ProgramPath, name));
    m_held.open = file.isOpen();
    if (m_held.open) {
        if (!m_held.bytes)
            m_held.bytes = std::make_unique<uint8_t[]>(MaxFileSize);
        m_held.size = file.readAt(0, m_held.bytes.get(), MaxFileSize);
    }
    // Only a file read whole is held: after an error the next read tries again.
    m_held.name = name;
    return m_held;
}

int32_t DayArchive::CheckRevisions()
{
    const uint8_t plc = DayData[0];
    const uint8_t ini = DayData[1];
    if (plc == m_desc.PlcRevision && ini == m_desc.IniRevision)
        return 0;

    const std::string& dir = m_location.ProgramPath;
    const auto switchTo = [&](const std::string& name) {
        const std::string path = ResolveFile(dir, name);
        const int32_t status = m_desc.ParseArchiveDescription(1, path);
        m_log.WriteLog(status != 0, "  READ_LIST_INI FILE: " + Utf8Left(dir, 150) + name + " :" +
                                        std::to_string(status));
        return m_desc.ReadRevisions(path) == 0 && plc == m_desc.PlcRevision &&
               ini == m_desc.IniRevision;
    };

    m_desc.AltDescriptionName = Utf8Left(
        m_desc.ArchivePrefix + "_" + FormatInt(plc, 2) + "_" + std::to_string(ini) + ".INI", 64);
    if (switchTo(m_desc.AltDescriptionName))
        return 0;

    // After a switch the device's own description would otherwise never come
    // back, and every later day of the current revisions would fail: return to
    // it when the record was written for it.
    const std::string mainName = m_desc.ArchivePrefix + "ARCH.INI";
    uint16_t mainPlc = 0, mainIni = 0;
    if (m_desc.FileRevisions(ResolveFile(dir, mainName), mainPlc, mainIni) && plc == mainPlc &&
        ini == mainIni && switchTo(mainName))
        return 0;
    return NoFittingDescription;
}

void DayArchive::ListDayRecord(int32_t groupSize)
{
    if (groupSize < 1)
        groupSize = 1;
    for (int32_t b = 1; b <= m_desc.BlockCount; ++b) {
        const BlockDescription& block = m_desc.BlockTable[static_cast<std::size_t>(b)];
        m_out.SetOutputStyle(1);
        m_out.WriteOutputLine("");
        m_out.WriteOutputLine(block.Description);
        m_out.SetOutputStyle(0);
        const int32_t count = block.RecordCount;
        if (count > 1)
            m_out.WriteOutputLine("Počet záznamů: " + FormatInt(count, -3));
        const int64_t records = BlockRecordsToWalk(block);
        for (int64_t n = 0; n < records; ++n) {
            const int64_t start = int64_t(block.Start) + n * int64_t(block.Length);
            if (n % groupSize == 0 && count > 1) {
                m_out.WriteOutputLine("");
                m_out.WriteOutput("[" + FormatInt(n, 4) + "]  ");
            }
            ListRecordFormat(start, block.Format);
        }
        m_out.WriteOutputLine("");
    }
}

void DayArchive::ListRecordFormat(int64_t recordStart, const std::string& format)
{
    const std::string text = format + ";";
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t end = text.find(';', begin);
        const std::string item = Utf8Left(text.substr(begin, end - begin), 64);
        begin = end + 1;
        if (item.empty())
            continue;
        if (item[0] == 'C') {
            m_out.WriteOutput(item.substr(1));
            continue;
        }
        const char kind = item[0];
        const int32_t wordOffset = item.size() > 1 ? HexDigit(item[1]) : 0;
        const char encoding = item.size() > 2 ? item[2] : '\0';
        const int32_t width = item.size() > 3 ? HexDigit(item[3]) : 0;
        const uint16_t word = Word(recordStart + wordOffset);
        uint32_t value = 0;
        if (kind == 'W') {
            value = word;
            if (encoding == 'S' || encoding == 'I')
                value = static_cast<uint16_t>((word >> 8) | (word << 8));
            if (encoding == 'B' || encoding == 'I')
                value = static_cast<uint32_t>(BcdToInt(static_cast<uint16_t>(value)));
        } else if (kind == 'H' || kind == 'L') {
            value = kind == 'H' ? word >> 8 : word & 0xFF;
            if (encoding == 'B')
                value = static_cast<uint32_t>(BcdToInt(static_cast<uint16_t>(value)));
        } else {
            continue;
        }
        m_out.WriteOutput(encoding == 'H' ? FormatHex(value, width) : FormatInt(value, width));
    }
}

} // namespace kw
