#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kw {

class DayArchive;
class DirectoryListing;

// The two trees of the main window as data: the years and months that have
// month files, and for one month its archived days and listing commands.

// Month files carry two-digit years, so the tree covers the 100 years in which
// each of them names exactly one year.
constexpr int32_t FirstPeriodYear = 1980;
constexpr int32_t LastPeriodYear = 2079;

// The argument of a month node: 0 is January 1980, 1199 December 2079.
int32_t PeriodArgument(int32_t year, int32_t month);
int32_t PeriodYear(int32_t argument);
int32_t PeriodMonth(int32_t argument);
// "KVĚTEN 2024": the text of EditObdobi and the tail of the listing roots.
std::string PeriodText(int32_t year, int32_t month);

// What a node runs when it is activated, with the node's argument.
enum class NodeActionKind : int32_t {
    None = 0, // years and the roots of the listing tree
    SetPeriodMonth,
    MonthAction,
    PickAction,
    ArchivedDayAction,
};

struct PeriodMonthNode {
    int32_t month = 0;
    int32_t argument = 0;
    std::string caption; // the month's name
};

struct PeriodYearNode {
    int32_t year = 0;
    std::vector<PeriodMonthNode> months; // January first
};

// The years of the device's month files, newest first, with their months.
// `archive` names the files (its device); `dir` is the program directory read once.
std::vector<PeriodYearNode> PeriodTreeContent(const DirectoryListing& dir,
                                              const DayArchive& archive);

struct ListingCommand {
    const char* caption;
    NodeActionKind action;
    int32_t argument;
};

// The five children of the "VÝPIS" root, in their order.
const std::array<ListingCommand, 5>& ListingCommands();

struct ArchivedDayNode {
    int32_t entry = 0; // 1..32, the argument of ArchivedDayAction
    std::string caption;
};

struct ListingTreeContent {
    std::string listCaption;     // "LIST " + month + year
    std::string commandsCaption; // "VÝPIS " + month + year
    std::vector<ArchivedDayNode> days;
    // The month file opened and its header carries the signature; only then
    // does the tree get the "VÝPIS" root.
    bool validFile = false;
    // A platform error inside the opened file stopped the reading; the days
    // read before it are kept and there are no commands.
    std::string ioError;
};

// "DEN :07   02:00:13   ADR=2A40  11 2": entry, the entry's three numbers,
// the lowest four hexadecimal digits of its offset, the first two data bytes.
std::string ArchivedDayCaption(int32_t entry, uint16_t first, uint16_t second, uint16_t third,
                               uint32_t offset, uint8_t data0, uint8_t data1);

// Reads the month file at `path` for the listing tree of year/month.
ListingTreeContent ReadListingTree(const std::string& path, int32_t year, int32_t month);

} // namespace kw
