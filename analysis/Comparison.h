#pragma once

#include "graph/Graph.h"

#include <cstdint>
#include <vector>

namespace kw {

class Engine;

// "Porovnat s…": the engine's last listing command run again on the period a
// year or a month earlier, on a listing of its own, for the same block of the
// device's own description; its bars moved day by day onto the days of the
// listing (day d of the other period over day d of this one).
struct EarlierPeriod {
    int32_t year = 0;
    int32_t month = 0;
    std::vector<GraphBar> bars; // empty when the other period lists nothing
};
// Throws what the other listing throws (an I/O error of its month file).
EarlierPeriod ListEarlierPeriod(const Engine& engine, bool previousYear);

} // namespace kw
