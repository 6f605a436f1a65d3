#include "output/ReportPages.h"

#include <algorithm>

namespace kw {

std::vector<std::size_t> ReportPageStarts(const std::vector<ReportLine>& lines,
                                          std::size_t rowsPerPage)
{
    rowsPerPage = std::max<std::size_t>(rowsPerPage, 1);
    std::vector<std::size_t> starts{0};
    std::size_t used = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::size_t rows = std::clamp<std::size_t>(lines[i].rows, 1, rowsPerPage);
        if (used > 0 && used + rows > rowsPerPage) {
            // The headings at the foot of the page go over with this line,
            // when they and it fit on the next page.
            std::size_t next = i;
            std::size_t moved = 0;
            while (next > starts.back() && lines[next - 1].keepWithNext) {
                --next;
                moved += std::clamp<std::size_t>(lines[next].rows, 1, rowsPerPage);
            }
            if (next == starts.back() || moved + rows > rowsPerPage) {
                next = i;
                moved = 0;
            }
            starts.push_back(next);
            used = moved;
        }
        used += rows;
    }
    return starts;
}

} // namespace kw
