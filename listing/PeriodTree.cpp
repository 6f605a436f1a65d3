#include "listing/PeriodTree.h"

#include "archive/ByteReader.h"
#include "archive/FileLookup.h"
#include "archive/MonthFile.h"
#include "archive/NumberFormat.h"
#include "calendar/Calendar.h"
#include "listing/ListingRun.h"

#include <algorithm>

namespace kw {

namespace {

constexpr std::size_t kRecordHeaderSize = 16;
// The listing tree shows only the first two, but reads as much as the
// controller's own directory listing does.
constexpr std::size_t kDataPreview = 22;
constexpr std::size_t kCountOffset = 544;

} // namespace

int32_t PeriodArgument(int32_t year, int32_t month)
{
    return (year - FirstPeriodYear) * 12 + (month - 1);
}

int32_t PeriodYear(int32_t argument)
{
    return argument / 12 + FirstPeriodYear;
}

int32_t PeriodMonth(int32_t argument)
{
    return argument % 12 + 1;
}

std::string PeriodText(int32_t year, int32_t month)
{
    return MonthNames(month) + " " + std::to_string(year);
}

std::vector<PeriodYearNode> PeriodTreeContent(const DirectoryListing& dir,
                                              const DayArchive& archive)
{
    std::vector<PeriodYearNode> years;
    for (int32_t year = LastPeriodYear; year >= FirstPeriodYear; --year) {
        if (!dir.anyMatch(archive.MonthFileName(year, 0)))
            continue;
        PeriodYearNode node;
        node.year = year;
        for (int32_t month = 1; month <= 12; ++month) {
            if (dir.anyMatch(archive.MonthFileName(year, month)))
                node.months.push_back({month, PeriodArgument(year, month), MonthNames(month)});
        }
        years.push_back(std::move(node));
    }
    return years;
}

const std::array<ListingCommand, 5>& ListingCommands()
{
    static const std::array<ListingCommand, 5> commands = {{
        {"Nastavení parametrů výpisu", NodeActionKind::MonthAction,
         ListingRun::ShowListingParameters},
        {"CELÝ MĚSÍC", NodeActionKind::MonthAction, ListingRun::WholeMonth},
        {"ENERGETICKÝ MĚSÍC", NodeActionKind::MonthAction, ListingRun::EnergyMonth},
        {"OBDOBÍ", NodeActionKind::PickAction, ListingRun::PickRange},
        {"DEN", NodeActionKind::PickAction, ListingRun::PickDay},
    }};
    return commands;
}

std::string ArchivedDayCaption(int32_t entry, uint16_t first, uint16_t second, uint16_t third,
                               uint32_t offset, uint8_t data0, uint8_t data1)
{
    return "DEN :" + FormatInt(entry, 2) + "   " + FormatInt(first, 2) + ":" +
           FormatInt(second, 2) + ":" + FormatInt(third, 2) + "   ADR=" + FormatHex(offset, 4) +
           "  " + FormatInt(data0, 2) + " " + FormatInt(data1, 1);
}

ListingTreeContent ReadListingTree(const std::string& path, int32_t year, int32_t month)
{
    ListingTreeContent tree;
    tree.listCaption = "LIST " + PeriodText(year, month);
    tree.commandsCaption = "VÝPIS " + PeriodText(year, month);

    MonthFileReader file(path);
    if (!file.isOpen())
        return tree;
    std::array<uint8_t, DayArchive::HeaderSize> header{};
    std::size_t got = 0;
    if (!file.readAt(0, header.data(), header.size(), got, tree.ioError))
        return tree;
    const ByteReader h(header.data(), header.size());
    if (got < header.size() || !HasMonthFileSignature(h))
        return tree;

    // The header has room for 32 entries; a larger count would read past them.
    const int32_t count = std::min<int32_t>(h.u16(kCountOffset), DayArchive::EntryCount);
    for (int32_t n = 1; n <= count; ++n) {
        const std::size_t at = DayEntryOffset(n);
        const uint32_t offset = h.u32(at + 8);
        if (offset == 0)
            continue;
        std::array<uint8_t, kRecordHeaderSize> recordHeader{};
        if (!file.readAt(offset, recordHeader.data(), recordHeader.size(), got, tree.ioError))
            return tree;
        if (got < recordHeader.size())
            continue;
        // Bytes past the end of a short record read as 0.
        std::array<uint8_t, kDataPreview> data{};
        if (!file.readAt(uint64_t(offset) + kRecordHeaderSize, data.data(), data.size(), got,
                         tree.ioError))
            return tree;
        tree.days.push_back({n, ArchivedDayCaption(n, h.u16(at), h.u16(at + 2), h.u16(at + 4),
                                                   offset, data[0], data[1])});
    }
    tree.validFile = true;
    return tree;
}

} // namespace kw
