#pragma once

#include <cstddef>
#include <vector>

namespace kw {

// One line of a listing as laid out on paper.
struct ReportLine {
    std::size_t rows = 1;      // printed rows it takes (a line too wide wraps)
    bool keepWithNext = false; // a heading: never the last line of a page
};

// The index of the first line of each page, when a page holds `rowsPerPage`
// rows. A line is never split across pages, and a line kept with the next one
// goes over with it, unless the whole page would be such lines; a line longer
// than a page gets a page of its own. No lines give one empty page.
std::vector<std::size_t> ReportPageStarts(const std::vector<ReportLine>& lines,
                                          std::size_t rowsPerPage);

} // namespace kw
