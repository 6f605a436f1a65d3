#pragma once

#include "graph/Graph.h"

#include <cstdint>
#include <vector>

namespace kw {

class Engine;

// "Porovnat s…": the engine's last listing command run again on the period a
// year or a month earlier, on a listing of its own, for the same block of the
// device's own description; its bars moved in whole days onto the days of the
// listing: a month day d over day d, a year by weekday (a Monday over a
// Monday) or, with `byWeekday` false, by the calendar's date.
struct EarlierPeriod {
    int32_t year = 0;
    int32_t month = 0;
    std::vector<GraphBar> bars;       // empty when the other period lists nothing
    std::vector<int64_t> leftOutDays; // its days that fall outside the listing
};
// Throws what the other listing throws (an I/O error of its month file).
EarlierPeriod ListEarlierPeriod(const Engine& engine, bool previousYear, bool byWeekday = true);

} // namespace kw
