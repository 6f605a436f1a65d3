#pragma once

#include "archive/AtomicFile.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace kw {

class Log;

// The day division record, exactly the 6019 bytes of ROZ_DNEW.CFG: 16 named
// groups of quarter-hours, 16 output sums combining groups per day class,
// the listing's sum options and day start offset, and the run-time
// accumulators of the sums. The bytes are the only copy of the data, so a
// load followed by a save gives the same file back, unused bytes included.
//
// Group and output-sum numbers are 1..16 and quarter-hours 0..95; any other
// number reads as 0 / empty / false and a setter given one returns false
// without touching the record.
class DayDivision {
public:
    static constexpr std::size_t RecordSize = 6019;
    static constexpr int32_t NumGroups = 16;
    static constexpr int32_t NumOutputSums = 16;
    static constexpr int32_t NumQuarterHours = 96;
    static constexpr std::size_t GroupNameChars = 32;
    static constexpr std::size_t OutputSumNameChars = 255;
    static constexpr std::size_t FileNameChars = 255;
    static constexpr const char* DefaultFileName = "ROZ_DNEW.CFG";
    // The day start offsets the editor can set.
    static constexpr int32_t MinDayStartOffset = -47 * 900;
    static constexpr int32_t MaxDayStartOffset = 48 * 900;

    // Result codes besides the system's errno values.
    static constexpr int32_t WrongLength = -1;
    static constexpr int32_t BadContent = -3;
    // A save found that another program changed the file since it was
    // loaded; nothing was written.
    static constexpr int32_t ChangedOnDisk = -7;

    // Sum option bits (offset 5845) and group output option bits.
    enum : uint8_t {
        ShowCount = 1,
        ShowAverage = 2,
        ShowMaximum = 4,
        ShowSum = 8,
        PeriodSumsForOneDay = 16,
        DaySumsInAllModes = 32,
    };

    using Bytes = std::array<uint8_t, RecordSize>;

    // Fully initialised (variant 0).
    DayDivision();

    const Bytes& bytes() const { return m_bytes; }

    // Result of the last load or save, 0 for success, and a text for it that
    // a window can show. The editors' "Ulož nastavení" is SaveDayDivision.
    int32_t LastResult = 0;
    std::string LastErrorText;
    // Text for a result code of LoadDayDivision or SaveDayDivision.
    static std::string ErrorText(int32_t code);

    // 0: everything to the defaults; 1: output-sum accumulators; 2: group
    // accumulators. Returns 0, or 1 for any other variant (nothing changes).
    int32_t InitDayDivision(int32_t variant);

    // Reads ROZ_DNEW.CFG of the program directory (any letter case), whatever
    // name the record itself carries: a name field naming another file must
    // never make a save replace that file. Returns 0, the errno of a failed
    // open or read (2: no such file), -1 when the file is not 6019 bytes
    // long, -3 on a short read, a checksum mismatch or a size field other
    // than 6019. On failure the record stays as it was, and a file that is
    // there but did not load is kept aside before the first save over it.
    int32_t LoadDayDivision(const std::string& programPath);
    // Under the program directory's lock: refuses (ChangedOnDisk) when a file
    // is there that changed since it was loaded or saved here, unless
    // `overwriteChanges`; keeps a file that failed to load as
    // "ROZ_DNEW-poskozeny-YYYYMMDD-HHMMSS.CFG" beside it (KeptCopyPath);
    // updates the checksum and replaces the file atomically (a link is
    // followed, a write-protected file refused). A failed save leaves the old
    // file as it was and is logged. Returns 0, ChangedOnDisk or an errno value.
    int32_t SaveDayDivision(const std::string& programPath, bool overwriteChanges = false);
    // Start-up: defaults, load, and the two log lines; a record naming
    // another file or holding an unusable day start offset adds an error
    // line. Returns the load result.
    int32_t StartDayDivision(const std::string& programPath, Log& log);

    // The path of ROZ_DNEW.CFG in the program directory, as loads and saves use it.
    static std::string StoragePath(const std::string& programPath);
    // Where the last save kept the file that had failed to load; empty when
    // it kept none.
    std::string KeptCopyPath;
    // Where failed saves are logged; none by default.
    void setLog(Log* log) { m_log = log; }

    // Stores the byte sum of offsets 4 .. size-1 as the checksum; true when it
    // differed. A size field above 16000 changes nothing.
    bool UpdateChecksum();
    static bool UpdateChecksum(Bytes& record);

    // Adds one quarter-hour value to every group that holds quarter-hour q
    // and to every output sum that takes such a group on day class k.
    void AccumulateQuarterHour(int32_t day, int32_t dayClass, int32_t quarterHour, float factor,
                               float value);

    // --- Header fields.
    uint16_t RecordSizeField() const;
    uint16_t Checksum() const;
    std::string FileName() const;
    bool SetFileName(const std::string& utf8);
    uint8_t SumOptions() const;
    void SetSumOptions(uint8_t options);
    // Seconds, a multiple of 900 from -42300 to 43200 as the editor keeps it.
    int32_t DayStartOffset() const;
    void SetDayStartOffset(int32_t seconds);

    // --- Groups g = 1..16.
    std::string GroupName(int32_t g) const;
    // Cut to 32 characters; characters Windows-1250 lacks become '?'.
    bool SetGroupName(int32_t g, const std::string& utf8);
    bool GroupHasQuarterHour(int32_t g, int32_t q) const;
    bool SetGroupQuarterHour(int32_t g, int32_t q, bool member);
    uint16_t GroupOutputOptions(int32_t g) const;
    bool SetGroupOutputOptions(int32_t g, uint16_t options);
    float GroupSum(int32_t g) const;
    float GroupMaximum(int32_t g) const;
    int16_t GroupMaximumQuarterHour(int32_t g) const; // -1: none
    float GroupAverage(int32_t g) const;
    uint16_t GroupCount(int32_t g) const;

    // --- Output sums s = 1..16; day class 0 working day, 1 day off, 2 rest day.
    std::string OutputSumName(int32_t s) const;
    bool SetOutputSumName(int32_t s, const std::string& utf8);
    // Bit g (1..16) set when group g counts on days of that class.
    uint32_t OutputSumGroups(int32_t s, int32_t dayClass) const;
    bool SetOutputSumGroups(int32_t s, int32_t dayClass, uint32_t groups);
    float OutputSumSum(int32_t s) const;
    float OutputSumMaximum(int32_t s) const;
    int32_t OutputSumPosition(int32_t s) const; // day * 100 + quarter-hour, -1: none
    float OutputSumAverage(int32_t s) const;
    uint16_t OutputSumCount(int32_t s) const;

private:
    // The file as last loaded or saved here, to notice another writer.
    int32_t Finish(int32_t code, const std::string& reason = std::string());
    int32_t SaveFailed(const std::string& path, int32_t code, const std::string& reason);

    Bytes m_bytes{};
    bool m_stampKnown = false; // false until the first load or save
    DiskStamp m_stamp;
    bool m_keepAside = false; // the file is there but failed to load
    Log* m_log = nullptr;
};

} // namespace kw
