#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <set>
#include <string>

namespace kw {

class IniLayer;
class Log;

// One data block of a day record, as the archive description gives it.
struct BlockDescription {
    std::string SectionName; // at most 32 characters
    std::string Description; // at most 64; its first character identifies the block
    int32_t Start = 0;       // word index of the first record in the day data
    int32_t Length = 0;      // words per record
    int32_t RecordCount = 0; // "NZAZN"
    int32_t DaysAhead = 0;   // "NDAY"
    std::string Format;      // at most 128
    float Multiplier = 0.0f; // "NASOB"
    bool Listed = false;     // "VYPIS" is exactly "ON"
    int32_t DisplayMode = 0; // "ZOBRAZ"
    std::string Unit;        // at most 16, "JEDN" when missing
    std::string ExportName;  // at most 16
    bool ExportPlus = false; // the export name had a leading "+"
    std::string DayItem, HourItem, MinuteItem, SecondItem, ValueItem; // at most 8 each
};

// A block of one description and a block of another are the same block when
// their titles begin with the same character: a switch of description files
// finds the block again so, and so does everything that names a block.
bool SameBlock(const std::string& title, const std::string& otherTitle);

// "L" for device 0, the upper-case hexadecimal digit for 1..15.
std::string DeviceLetter(int32_t device);

// The loaded archive description of one device: which blocks a day record
// holds and how to decode them.
class ArchiveDescription {
public:
    static constexpr int32_t MaxBlocks = 10;

    ArchiveDescription(IniLayer& ini, Log& log);

    // Blocks 1..BlockCount; index 0 is unused.
    std::array<BlockDescription, MaxBlocks + 1> BlockTable{};
    int32_t BlockCount = 0;
    int32_t CurrentBlock = 0; // 0 = none
    std::string CurrentBlockTitle;
    std::string ArchivePrefix = "QX5";
    uint16_t PlcRevision = 0;
    uint16_t IniRevision = 0;
    bool ArchiveLoaded = false;
    std::string AltDescriptionName;
    // Set where the engine is built: the listing's block choice refresh.
    std::function<void()> BlockChangeNotify;
    // Set by the month-file reader: empties its header and day-data buffers.
    std::function<void()> ResetDayBuffers;

    // Loads prefix + "ARCH.INI" of `programPath` (which ends with '/'), with
    // the QX5ARCH.INI fallback for device 0, logs the result and sets
    // ArchiveLoaded from the revisions. A file that is there but cannot be
    // read is logged with -1 and throws UserActionError (ArchiveLoaded false).
    void LoadArchiveDescription(const std::string& programPath, int32_t deviceNo);
    // mode 0 loads, mode 1 switches (keeps the identity of the current block).
    // -1 when the file does not exist (nothing changes), else 0; a file that
    // cannot be read throws UserActionError before anything changes.
    int32_t ParseArchiveDescription(int32_t mode, const std::string& path);
    // 0 when both revisions were read as integers, else -1.
    int32_t ReadRevisions(const std::string& path);
    // The revisions a description file holds, without taking them over.
    bool FileRevisions(const std::string& path, uint16_t& plc, uint16_t& ini);

    // The current block, or nullptr when none.
    const BlockDescription* currentBlock() const;
    // The blocks are those of the device's own description, not of one that
    // a listing switched to.
    bool OwnDescriptionLoaded() const { return m_path == m_ownPath; }

    // A value of the current block that its NASOB scales beyond single
    // precision is listed as 0; logged once per description and block, like
    // an unusable NASOB, so that the zeros are never silent.
    void ReportOverflowingValue();

private:
    // A NASOB that is no number makes every converted value 0: logged as an
    // error line naming it, so that such listings are never silent.
    void ReportUnusableMultiplier(const std::string& path, const std::string& section,
                                  const std::string& text);

    IniLayer& m_ini;
    Log& m_log;
    std::set<std::string> m_reportedMultipliers;
    std::string m_path;    // of the description parsed last
    std::string m_ownPath; // of the device's own description
};

} // namespace kw
