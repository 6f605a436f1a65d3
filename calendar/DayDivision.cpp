#include "calendar/DayDivision.h"

#include "archive/AtomicFile.h"
#include "archive/Codepage.h"
#include "archive/Errors.h"
#include "archive/FileLookup.h"
#include "output/Log.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace kw {

namespace {

using Bytes = DayDivision::Bytes;
constexpr std::size_t RecordSize = DayDivision::RecordSize;

// Record layout.
constexpr std::size_t SizeOffset = 0;
constexpr std::size_t ChecksumOffset = 2;
constexpr std::size_t FileNameOffset = 4;
constexpr std::size_t GroupsOffset = 260;
constexpr std::size_t GroupSize = 63;
constexpr std::size_t OutputSumsOffset = 1268;
constexpr std::size_t OutputSumSize = 286;
constexpr std::size_t UnusedByteOffset = 5844;
constexpr std::size_t SumOptionsOffset = 5845;
constexpr std::size_t UnusedWordOffset = 5846;
constexpr std::size_t DayStartOffsetOffset = 5848;

// DayGroup fields.
constexpr std::size_t GroupNameField = 0;
constexpr std::size_t GroupBitsField = 33;
constexpr std::size_t GroupSumField = 45;
constexpr std::size_t GroupMaximumField = 49;
constexpr std::size_t GroupMaximumQuarterField = 53;
constexpr std::size_t GroupAverageField = 55;
constexpr std::size_t GroupCountField = 59;
constexpr std::size_t GroupOptionsField = 61;

// OutputSum fields.
constexpr std::size_t SumNameField = 0;
constexpr std::size_t SumGroupsField = 256; // three 32-bit sets, one per day class
constexpr std::size_t SumSumField = 268;
constexpr std::size_t SumMaximumField = 272;
constexpr std::size_t SumPositionField = 276;
constexpr std::size_t SumAverageField = 280;
constexpr std::size_t SumCountField = 284;

// Checksums of records that claim a larger size are not computed at all.
constexpr uint16_t ChecksumSizeLimit = 16000;

static_assert(GroupsOffset + 16 * GroupSize == OutputSumsOffset, "groups end where sums start");
static_assert(OutputSumsOffset + 16 * OutputSumSize == UnusedByteOffset, "sums end at 5844");

bool Fits(std::size_t offset, std::size_t width)
{
    return offset <= RecordSize && width <= RecordSize - offset;
}

// Little-endian fields; an access outside the record reads 0 and writes nothing.
uint32_t GetLE(const Bytes& b, std::size_t offset, std::size_t width)
{
    if (!Fits(offset, width))
        return 0;
    uint32_t v = 0;
    for (std::size_t i = width; i-- > 0;)
        v = (v << 8) | b[offset + i];
    return v;
}

void PutLE(Bytes& b, std::size_t offset, std::size_t width, uint32_t v)
{
    if (!Fits(offset, width))
        return;
    for (std::size_t i = 0; i < width; ++i, v >>= 8)
        b[offset + i] = static_cast<uint8_t>(v & 0xFF);
}

uint16_t GetU16(const Bytes& b, std::size_t offset)
{
    return static_cast<uint16_t>(GetLE(b, offset, 2));
}

void PutU16(Bytes& b, std::size_t offset, uint16_t v)
{
    PutLE(b, offset, 2, v);
}

float GetF32(const Bytes& b, std::size_t offset)
{
    const uint32_t bits = GetLE(b, offset, 4);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

void PutF32(Bytes& b, std::size_t offset, float f)
{
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    PutLE(b, offset, 4, bits);
}

// Length-prefixed Windows-1250 text with room for `capacity` characters.
std::string GetText(const Bytes& b, std::size_t offset, std::size_t capacity)
{
    if (!Fits(offset, capacity + 1))
        return {};
    const std::size_t length = std::min<std::size_t>(b[offset], capacity);
    std::string raw(b.begin() + static_cast<std::ptrdiff_t>(offset + 1),
                    b.begin() + static_cast<std::ptrdiff_t>(offset + 1 + length));
    return Cp1250ToUtf8(raw);
}

void PutText(Bytes& b, std::size_t offset, std::size_t capacity, const std::string& utf8)
{
    if (!Fits(offset, capacity + 1))
        return;
    // One byte per character in Windows-1250, so cutting bytes cuts characters.
    std::string raw = Utf8ToCp1250(utf8);
    if (raw.size() > capacity)
        raw.resize(capacity);
    b[offset] = static_cast<uint8_t>(raw.size());
    for (std::size_t i = 0; i < capacity; ++i)
        b[offset + 1 + i] = i < raw.size() ? static_cast<uint8_t>(raw[i]) : 0;
}

bool ValidGroup(int32_t g)
{
    return g >= 1 && g <= DayDivision::NumGroups;
}

bool ValidSum(int32_t s)
{
    return s >= 1 && s <= DayDivision::NumOutputSums;
}

bool ValidQuarterHour(int32_t q)
{
    return q >= 0 && q < DayDivision::NumQuarterHours;
}

std::size_t GroupAt(int32_t g)
{
    return GroupsOffset + GroupSize * static_cast<std::size_t>(g - 1);
}

std::size_t SumAt(int32_t s)
{
    return OutputSumsOffset + OutputSumSize * static_cast<std::size_t>(s - 1);
}

} // namespace

DayDivision::DayDivision()
{
    InitDayDivision(0);
}

std::string DayDivision::ErrorText(int32_t code)
{
    if (code == 0)
        return {};
    if (code == WrongLength)
        return "soubor nemá správnou délku " + std::to_string(RecordSize) + " bajtů";
    if (code == BadContent)
        return "soubor je poškozen (chybný kontrolní součet nebo délka záznamu)";
    if (code == ChangedOnDisk)
        return "soubor mezitím změnil jiný program";
    if (code > 0)
        return SystemErrorText(code);
    return "chyba " + std::to_string(code);
}

int32_t DayDivision::InitDayDivision(int32_t variant)
{
    switch (variant) {
    case 0:
        m_bytes.fill(0);
        PutU16(m_bytes, SizeOffset, static_cast<uint16_t>(RecordSize));
        PutText(m_bytes, FileNameOffset, FileNameChars, DefaultFileName);
        m_bytes[UnusedByteOffset] = 1;
        m_bytes[SumOptionsOffset] = ShowSum;
        PutU16(m_bytes, UnusedWordOffset, 1);
        return 0;
    case 1:
        for (int32_t s = 1; s <= NumOutputSums; ++s) {
            const std::size_t at = SumAt(s);
            PutF32(m_bytes, at + SumSumField, 0);
            PutF32(m_bytes, at + SumMaximumField, 0);
            PutF32(m_bytes, at + SumAverageField, 0);
            PutU16(m_bytes, at + SumCountField, 0);
            PutLE(m_bytes, at + SumPositionField, 4, static_cast<uint32_t>(-1));
        }
        return 0;
    case 2:
        for (int32_t g = 1; g <= NumGroups; ++g) {
            const std::size_t at = GroupAt(g);
            PutF32(m_bytes, at + GroupSumField, 0);
            PutF32(m_bytes, at + GroupMaximumField, 0);
            PutF32(m_bytes, at + GroupAverageField, 0);
            PutU16(m_bytes, at + GroupCountField, 0);
            PutU16(m_bytes, at + GroupMaximumQuarterField, static_cast<uint16_t>(-1));
        }
        return 0;
    default:
        return 1;
    }
}

bool DayDivision::UpdateChecksum(Bytes& record)
{
    const uint16_t size = GetU16(record, SizeOffset);
    if (size > ChecksumSizeLimit)
        return false;
    // A size field larger than the record still sums only the record's bytes.
    const std::size_t end = std::min<std::size_t>(size, RecordSize);
    uint16_t total = 0;
    for (std::size_t i = FileNameOffset; i < end; ++i)
        total = static_cast<uint16_t>(total + record[i]);
    const bool differs = total != GetU16(record, ChecksumOffset);
    PutU16(record, ChecksumOffset, total);
    return differs;
}

bool DayDivision::UpdateChecksum()
{
    return UpdateChecksum(m_bytes);
}

std::string DayDivision::StoragePath(const std::string& programPath)
{
    return ResolveFile(programPath, DefaultFileName);
}

int32_t DayDivision::Finish(int32_t code, const std::string& reason)
{
    LastResult = code;
    LastErrorText = reason.empty() ? ErrorText(code) : reason;
    return code;
}

int32_t DayDivision::SaveFailed(const std::string& path, int32_t code, const std::string& reason)
{
    Finish(code, reason);
    if (m_log)
        m_log->WriteLog(true, SaveFailureText(path, LastErrorText));
    return code;
}

int32_t DayDivision::LoadDayDivision(const std::string& programPath)
{
    const std::string path = StoragePath(programPath);
    m_stamp = StampOfFile(path);
    m_stampKnown = true;
    // Whatever is there and does not load is kept before a save replaces it.
    m_keepAside = m_stamp.exists;

    // Non-blocking, so that a FIFO of that name cannot hang the program.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return Finish(errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return Finish(err);
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        return Finish(EISDIR);
    }
    if (!S_ISREG(st.st_mode) || st.st_size != static_cast<off_t>(RecordSize)) {
        ::close(fd);
        return Finish(WrongLength);
    }

    Bytes buffer{};
    std::size_t got = 0;
    while (got < RecordSize) {
        const ssize_t n = ::read(fd, buffer.data() + got, RecordSize - got);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            ::close(fd);
            return Finish(err);
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (got < RecordSize)
        return Finish(BadContent);
    // The record is always 6019 bytes; a file claiming another size is not
    // one of ours, even when its length happens to match.
    if (GetU16(buffer, SizeOffset) != RecordSize)
        return Finish(BadContent);
    if (UpdateChecksum(buffer))
        return Finish(BadContent);
    m_bytes = buffer;
    m_keepAside = false;
    return Finish(0);
}

int32_t DayDivision::SaveDayDivision(const std::string& programPath, bool overwriteChanges)
{
    KeptCopyPath.clear();
    const std::string path = StoragePath(programPath);
    const FileLock lock(path);
    if (!lock.locked())
        return SaveFailed(path, EAGAIN, lock.error());

    // Only a file that is there can hold another writer's settings; one
    // removed meanwhile is simply written anew.
    const DiskStamp now = StampOfFile(path);
    if (m_stampKnown && now.regular && now != m_stamp && !overwriteChanges)
        return Finish(ChangedOnDisk);

    // A file that failed to load may still hold the user's groups: it is kept
    // under a name that says so, never silently replaced.
    if (m_keepAside && now.exists) {
        std::string kept, reason;
        if (!KeepDamagedFile(path, "ROZ_DNEW", "CFG", kept, reason))
            return SaveFailed(path, errno != 0 ? errno : EEXIST, reason);
        KeptCopyPath = kept;
    }

    UpdateChecksum();
    const std::string_view data(reinterpret_cast<const char*>(m_bytes.data()), m_bytes.size());
    std::string reason;
    if (!WriteFileAtomically(path, data, &reason)) {
        const int err = errno != 0 ? errno : EIO;
        return SaveFailed(path, err, reason);
    }
    m_stamp = StampOfFile(path);
    m_stampKnown = true;
    m_keepAside = false;
    return Finish(0);
}

int32_t DayDivision::StartDayDivision(const std::string& programPath, Log& log)
{
    InitDayDivision(0);
    const int32_t code = LoadDayDivision(programPath);
    const bool error = code != 0;
    log.WriteLog(error, "*Inicializace modulu ROZ_DNE");
    log.WriteLog(error, " Načtení souboru: " + FileName() + " :" + std::to_string(code));
    if (FileName() != DefaultFileName)
        log.WriteLog(true, " Záznam nese jméno souboru \"" + FileName() +
                               "\"; načítá se a ukládá vždy " + DefaultFileName);
    // The listing uses whatever offset the file holds; an unusable one is
    // named, so that a shifted or empty listing is never a mystery.
    const int32_t offset = DayStartOffset();
    if (offset < MinDayStartOffset || offset > MaxDayStartOffset || offset % 900 != 0)
        log.WriteLog(true, " Chybný začátek dne (posun) v " + std::string(DefaultFileName) + ": " +
                               std::to_string(offset) +
                               " s; platné jsou násobky 900 od -42300 do 43200");
    return code;
}

void DayDivision::AccumulateQuarterHour(int32_t day, int32_t dayClass, int32_t quarterHour,
                                        float factor, float value)
{
    if (!ValidQuarterHour(quarterHour))
        return;
    const float product = value * factor;

    // The count saturates at 65535 instead of wrapping, and the average
    // divides by it read unsigned: exact up to 65535 quarter-hours, never a
    // division by zero or by a negative count.
    const auto add = [&](std::size_t countAt, std::size_t sumAt, std::size_t maxAt,
                         std::size_t avgAt) {
        uint16_t count = GetU16(m_bytes, countAt);
        if (count < UINT16_MAX)
            ++count;
        PutU16(m_bytes, countAt, count);
        const float sum = GetF32(m_bytes, sumAt) + value;
        PutF32(m_bytes, sumAt, sum);
        const bool newMaximum = product > GetF32(m_bytes, maxAt);
        if (newMaximum)
            PutF32(m_bytes, maxAt, product);
        PutF32(m_bytes, avgAt, factor * sum / static_cast<float>(count));
        return newMaximum;
    };

    if (dayClass >= 0 && dayClass <= 2) {
        const int64_t position = int64_t(day) * 100 + quarterHour;
        for (int32_t s = 1; s <= NumOutputSums; ++s) {
            const uint32_t groups = OutputSumGroups(s, dayClass);
            if (groups == 0)
                continue;
            const std::size_t at = SumAt(s);
            // A quarter-hour in several groups of the sum counts once per group.
            for (int32_t g = 1; g <= NumGroups; ++g) {
                if (((groups >> g) & 1u) == 0 || !GroupHasQuarterHour(g, quarterHour))
                    continue;
                if (add(at + SumCountField, at + SumSumField, at + SumMaximumField,
                        at + SumAverageField))
                    PutLE(m_bytes, at + SumPositionField, 4, static_cast<uint32_t>(position));
            }
        }
    }
    for (int32_t g = 1; g <= NumGroups; ++g) {
        if (!GroupHasQuarterHour(g, quarterHour))
            continue;
        const std::size_t at = GroupAt(g);
        if (add(at + GroupCountField, at + GroupSumField, at + GroupMaximumField,
                at + GroupAverageField))
            PutU16(m_bytes, at + GroupMaximumQuarterField, static_cast<uint16_t>(quarterHour));
    }
}

uint16_t DayDivision::RecordSizeField() const
{
    return GetU16(m_bytes, SizeOffset);
}

uint16_t DayDivision::Checksum() const
{
    return GetU16(m_bytes, ChecksumOffset);
}

std::string DayDivision::FileName() const
{
    return GetText(m_bytes, FileNameOffset, FileNameChars);
}

bool DayDivision::SetFileName(const std::string& utf8)
{
    PutText(m_bytes, FileNameOffset, FileNameChars, utf8);
    return true;
}

uint8_t DayDivision::SumOptions() const
{
    return m_bytes[SumOptionsOffset];
}

void DayDivision::SetSumOptions(uint8_t options)
{
    m_bytes[SumOptionsOffset] = options;
}

int32_t DayDivision::DayStartOffset() const
{
    return static_cast<int32_t>(GetLE(m_bytes, DayStartOffsetOffset, 4));
}

void DayDivision::SetDayStartOffset(int32_t seconds)
{
    PutLE(m_bytes, DayStartOffsetOffset, 4, static_cast<uint32_t>(seconds));
}

std::string DayDivision::GroupName(int32_t g) const
{
    return ValidGroup(g) ? GetText(m_bytes, GroupAt(g) + GroupNameField, GroupNameChars)
                         : std::string();
}

bool DayDivision::SetGroupName(int32_t g, const std::string& utf8)
{
    if (!ValidGroup(g))
        return false;
    PutText(m_bytes, GroupAt(g) + GroupNameField, GroupNameChars, utf8);
    return true;
}

bool DayDivision::GroupHasQuarterHour(int32_t g, int32_t q) const
{
    if (!ValidGroup(g) || !ValidQuarterHour(q))
        return false;
    const std::size_t byte = GroupAt(g) + GroupBitsField + static_cast<std::size_t>(q / 8);
    return ((m_bytes[byte] >> (q % 8)) & 1) != 0;
}

bool DayDivision::SetGroupQuarterHour(int32_t g, int32_t q, bool member)
{
    if (!ValidGroup(g) || !ValidQuarterHour(q))
        return false;
    const std::size_t byte = GroupAt(g) + GroupBitsField + static_cast<std::size_t>(q / 8);
    const auto bit = static_cast<uint8_t>(1u << (q % 8));
    if (member)
        m_bytes[byte] = static_cast<uint8_t>(m_bytes[byte] | bit);
    else
        m_bytes[byte] = static_cast<uint8_t>(m_bytes[byte] & ~bit);
    return true;
}

uint16_t DayDivision::GroupOutputOptions(int32_t g) const
{
    return ValidGroup(g) ? GetU16(m_bytes, GroupAt(g) + GroupOptionsField) : 0;
}

bool DayDivision::SetGroupOutputOptions(int32_t g, uint16_t options)
{
    if (!ValidGroup(g))
        return false;
    PutU16(m_bytes, GroupAt(g) + GroupOptionsField, options);
    return true;
}

float DayDivision::GroupSum(int32_t g) const
{
    return ValidGroup(g) ? GetF32(m_bytes, GroupAt(g) + GroupSumField) : 0.0f;
}

float DayDivision::GroupMaximum(int32_t g) const
{
    return ValidGroup(g) ? GetF32(m_bytes, GroupAt(g) + GroupMaximumField) : 0.0f;
}

int16_t DayDivision::GroupMaximumQuarterHour(int32_t g) const
{
    return ValidGroup(g)
               ? static_cast<int16_t>(GetU16(m_bytes, GroupAt(g) + GroupMaximumQuarterField))
               : int16_t(0);
}

float DayDivision::GroupAverage(int32_t g) const
{
    return ValidGroup(g) ? GetF32(m_bytes, GroupAt(g) + GroupAverageField) : 0.0f;
}

uint16_t DayDivision::GroupCount(int32_t g) const
{
    return ValidGroup(g) ? GetU16(m_bytes, GroupAt(g) + GroupCountField) : 0;
}

std::string DayDivision::OutputSumName(int32_t s) const
{
    return ValidSum(s) ? GetText(m_bytes, SumAt(s) + SumNameField, OutputSumNameChars)
                       : std::string();
}

bool DayDivision::SetOutputSumName(int32_t s, const std::string& utf8)
{
    if (!ValidSum(s))
        return false;
    PutText(m_bytes, SumAt(s) + SumNameField, OutputSumNameChars, utf8);
    return true;
}

uint32_t DayDivision::OutputSumGroups(int32_t s, int32_t dayClass) const
{
    if (!ValidSum(s) || dayClass < 0 || dayClass > 2)
        return 0;
    return GetLE(m_bytes, SumAt(s) + SumGroupsField + 4 * static_cast<std::size_t>(dayClass), 4);
}

bool DayDivision::SetOutputSumGroups(int32_t s, int32_t dayClass, uint32_t groups)
{
    if (!ValidSum(s) || dayClass < 0 || dayClass > 2)
        return false;
    PutLE(m_bytes, SumAt(s) + SumGroupsField + 4 * static_cast<std::size_t>(dayClass), 4, groups);
    return true;
}

float DayDivision::OutputSumSum(int32_t s) const
{
    return ValidSum(s) ? GetF32(m_bytes, SumAt(s) + SumSumField) : 0.0f;
}

float DayDivision::OutputSumMaximum(int32_t s) const
{
    return ValidSum(s) ? GetF32(m_bytes, SumAt(s) + SumMaximumField) : 0.0f;
}

int32_t DayDivision::OutputSumPosition(int32_t s) const
{
    return ValidSum(s) ? static_cast<int32_t>(GetLE(m_bytes, SumAt(s) + SumPositionField, 4)) : 0;
}

float DayDivision::OutputSumAverage(int32_t s) const
{
    return ValidSum(s) ? GetF32(m_bytes, SumAt(s) + SumAverageField) : 0.0f;
}

uint16_t DayDivision::OutputSumCount(int32_t s) const
{
    return ValidSum(s) ? GetU16(m_bytes, SumAt(s) + SumCountField) : 0;
}

} // namespace kw
