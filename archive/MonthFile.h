#pragma once

#include "archive/ByteReader.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace kw {

class ArchiveDescription;
struct BlockDescription;
class Log;
class OutputLines;
struct ProgramLocation;

// A month file opened for reading: only a regular file of a month file's
// size is opened, and never so that it blocks (a FIFO or a directory of that
// name "cannot be opened"). Closed with the reader.
class MonthFileReader {
public:
    explicit MonthFileReader(const std::string& path);
    ~MonthFileReader();
    MonthFileReader(const MonthFileReader&) = delete;
    MonthFileReader& operator=(const MonthFileReader&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    // Reads up to `size` bytes at `offset`; `done` says how many arrived
    // (fewer at the end of the file). False on a platform error inside the
    // open file, with its text in `error`.
    bool readAt(uint64_t offset, uint8_t* buffer, std::size_t size, std::size_t& done,
                std::string& error);

private:
    int m_fd;
};

// The month file header begins with the length-prefixed "QX5 nactene udaje".
bool HasMonthFileSignature(const ByteReader& header);
// Header offset of day entry n (1..32).
std::size_t DayEntryOffset(int32_t n);
// How many records of a block the decoding and the raw listing walk: up to
// the first record that starts past the end of the day buffer, and never
// more than the buffer has words. Records that start before it are walked:
// their words outside the buffer read as 0.
int64_t BlockRecordsToWalk(const BlockDescription& block);

// The controller's month files: a 560-byte header with a directory of 32 day
// entries, and day records headed "QX5-DATA-DEN-" + entry number. A record is
// read into the one shared day buffer that the decoding works on.
class DayArchive {
public:
    static constexpr std::size_t HeaderSize = 560;
    static constexpr std::size_t DayDataSize = 8192;
    static constexpr int32_t DayDataWords = 4096;
    static constexpr int32_t EntryCount = 32;
    // A month file holds its header and at most 32 records; anything larger
    // is no month file and is not opened.
    static constexpr uint64_t MaxFileSize = HeaderSize + EntryCount * (16 + DayDataSize);

    DayArchive(const ProgramLocation& location, ArchiveDescription& description, Log& log,
               OutputLines& output);

    std::array<uint8_t, HeaderSize> Header{};
    std::array<uint8_t, DayDataSize> DayData{};

    // Empty header and zeroed day data, as after loading a description.
    void ResetBuffers();

    // The years that two-digit years in the file names stand for.
    static constexpr int32_t FirstYear = 1980;
    static constexpr int32_t LastYear = 2079;

    // "E" + device letter + "_" + YY + "_" + MM + ".DAT"; month 0 gives "??";
    // year 0 gives the record name "QX5-DATA-DEN-" + MM. A year outside
    // FirstYear..LastYear keeps all its digits (at least four), so that it
    // never names the file of another century.
    std::string MonthFileName(int32_t year, int32_t month) const;

    // Modes of ReadDayRecord. Mode 0 does nothing and yields CannotOpen; any
    // other mode reads the header only.
    static constexpr int32_t DirectoryListingMode = 1;
    // Read entry 1..32 and list it raw; LatestEntry reads the entry the
    // header's count names.
    static constexpr int32_t LatestEntry = 0;
    static constexpr int32_t RawListingMode(int32_t entry) { return 100 + entry; }
    // Read entry 1..32 into the day data without listing it.
    static constexpr int32_t SilentReadMode(int32_t entry) { return 200 + entry; }

    // Results of ReadDayRecord (and of ListDay) besides 0. The listing shows
    // their absolute value, so the numbers stay as they are.
    static constexpr int32_t CannotOpen = -1;
    static constexpr int32_t BadHeader = -2; // short, or without the signature
    static constexpr int32_t BadRecord = -3; // too long, short, or another record's header
    static constexpr int32_t NoRecord = -4;  // entry 0, or an entry without offset
    static constexpr int32_t NoFittingDescription = -6; // revisions match no description

    int32_t ReadDayRecord(int32_t mode, const std::string& fileName, int32_t groupSize);
    int32_t ReadDay(int32_t year, int32_t month, int32_t day);

    void ListDayRecord(int32_t groupSize);
    void ListRecordFormat(int64_t recordStart, const std::string& format);

    // While a Hold lives, each month file is read once, whole, and its day
    // entries come from memory: for reading every day of a month in a row
    // without opening the file twice a day. A platform error then ends the
    // first read of the file.
    class Hold {
    public:
        explicit Hold(DayArchive& archive) : m_archive(archive) { m_archive.m_holding = true; }
        ~Hold()
        {
            m_archive.m_holding = false;
            m_archive.m_held.name.clear();
        }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        DayArchive& m_archive;
    };

    // Word `index` of the day data; 0 outside the buffer. Inline: the
    // decoding of every record reads it.
    uint16_t Word(int64_t index) const
    {
        if (index < 0 || index >= DayDataWords)
            return 0;
        const std::size_t at = static_cast<std::size_t>(index) * 2;
        return static_cast<uint16_t>(DayData[at] | (DayData[at + 1] << 8));
    }
    ByteReader header() const { return ByteReader(Header.data(), Header.size()); }

private:
    struct HeldFile {
        std::string name; // as asked for; empty when none is held
        bool open = false;
        std::size_t size = 0;
        std::unique_ptr<uint8_t[]> bytes; // MaxFileSize, kept for the next hold
    };
    // The held month file `name` of the program directory, read now unless
    // it is the one held already.
    const HeldFile& Held(const std::string& name);
    int32_t CheckRevisions();

    const ProgramLocation& m_location;
    ArchiveDescription& m_desc;
    Log& m_log;
    OutputLines& m_out;
    bool m_holding = false;
    HeldFile m_held;
};

} // namespace kw
