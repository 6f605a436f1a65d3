#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kw {

class Series;

// The JSON of the last listing for scripts: its values (each the end of its
// quarter-hour with the offset of the controller's clock) and a summary of each listing day, read
// from the listing's series.

// What the JSON export says about the listing besides its bars.
struct ListingFacts {
    int32_t device = 0;
    int32_t block = 0;
    std::string blockName;
    std::string unit;
    std::string command;   // the text of EditVypis: "MĚSÍC", "DEN 5", ...
    int64_t firstDay = -1; // the first and last day listed, day numbers; -1 none
    int64_t lastDay = -1;
    int32_t dayStartOffset = 0;
};

// {"device", "block", "block_name", "unit", "period": {"first", "last",
// "command"}, "count", "expected", "series": [{"time", "value"}], "days":
// [{"date", "state", "count", "expected", "average", "max": {"value",
// "time"}}]}, as UTF-8 text; the block is named by the device's own
// description, a day without values of the block is there with its state
// ("missing": no record, "block_not_found") and null figures.
std::string ListingJson(const Series& series, const ListingFacts& facts);

} // namespace kw
