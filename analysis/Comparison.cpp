#include "analysis/Comparison.h"

#include "analysis/LoadAnalysis.h"
#include "analysis/QuietListing.h"
#include "listing/Engine.h"

#include <utility>

namespace kw {

EarlierPeriod ListEarlierPeriod(const Engine& e, bool previousYear, bool byWeekday)
{
    const ListingRun& listing = e.listing;
    EarlierPeriod other;
    if (e.graph.bars().empty() || listing.FirstDayListed < 0)
        return other;
    other.year = listing.ListingYear;
    other.month = listing.ListingMonth;
    if (previousYear) {
        --other.year;
    } else if (--other.month == 0) {
        other.month = 12;
        --other.year;
    }
    const int32_t span = listing.ListingSpan;
    const int32_t firstDay = listing.ListingFirstDay;
    int64_t otherFirstDay = -1;
    QuietListing quiet(e.Location.ProgramPath, e.Location.DeviceNo, e.settings,
                       e.division.DayStartOffset());
    other.bars = quiet.List(other.year, other.month, e.series.block.number, [&](ListingRun& run) {
        // The same command on the other month.
        if (span == ListingRun::WholeMonth || span == ListingRun::EnergyMonth) {
            run.MonthAction(span);
        } else {
            run.ListingFirstDay = firstDay;
            run.ListingSpan = span;
            run.RunListing();
        }
        otherFirstDay = run.FirstDayListed;
    });
    if (otherFirstDay < 0) {
        other.bars.clear();
        return other;
    }
    const int64_t shift =
        ComparisonShift(otherFirstDay, listing.FirstDayListed, previousYear && byWeekday);
    AlignedBars aligned =
        AlignToPeriod(other.bars, shift, e.graph.bars().front().x, e.graph.bars().back().x);
    other.bars = std::move(aligned.bars);
    other.leftOutDays = std::move(aligned.leftOutDays);
    return other;
}

} // namespace kw
