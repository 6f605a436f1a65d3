#include "export/Xlsx.h"

#include "archive/AtomicFile.h"
#include "archive/Codepage.h"
#include "export/Table.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <unistd.h>

namespace kw {

namespace {

// A private folder for the workbook and the library's own temporary files,
// removed with everything in it.
class PrivateFolder {
public:
    PrivateFolder()
    {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/kwatrix-xlsx-XXXXXX";
        if (::mkdtemp(pattern.data()))
            m_path = pattern;
        else
            m_error = errno;
    }
    ~PrivateFolder()
    {
        if (m_path.empty())
            return;
        if (DIR* dir = ::opendir(m_path.c_str())) {
            while (const dirent* entry = ::readdir(dir)) {
                const std::string name = entry->d_name;
                if (name != "." && name != "..")
                    ::unlink((m_path + "/" + name).c_str());
            }
            ::closedir(dir);
        }
        ::rmdir(m_path.c_str());
    }
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    const std::string& path() const { return m_path; }
    int error() const { return m_error; }

private:
    std::string m_path;
    int m_error = 0;
};

std::size_t TextWidth(const Cell& cell)
{
    switch (cell.kind) {
    case CellKind::Empty:
        return 0;
    case CellKind::Text:
        return Utf8Length(cell.text);
    case CellKind::DateTime:
        return 16; // "dd.mm.yyyy hh:mm"
    case CellKind::Number:
    case CellKind::Integer:
        return 12;
    }
    return 0;
}

bool WriteSheet(lxw_workbook* book, const Sheet& sheet, lxw_format* header, lxw_format* time,
                std::string& failure)
{
    lxw_worksheet* ws = workbook_add_worksheet(book, sheet.name.c_str());
    if (!ws) {
        failure = "list „" + sheet.name + "“ nelze založit";
        return false;
    }
    std::vector<std::size_t> widths;
    for (std::size_t c = 0; c < sheet.columns.size(); ++c) {
        const std::string heading = sheet.columns[c].heading();
        widths.push_back(Utf8Length(heading));
        worksheet_write_string(ws, 0, static_cast<lxw_col_t>(c), heading.c_str(), header);
    }
    for (std::size_t r = 0; r < sheet.rows.size(); ++r) {
        const auto row = static_cast<lxw_row_t>(r + 1);
        const std::vector<Cell>& cells = sheet.rows[r];
        for (std::size_t c = 0; c < cells.size() && c < widths.size(); ++c) {
            const Cell& cell = cells[c];
            const auto col = static_cast<lxw_col_t>(c);
            lxw_error e = LXW_NO_ERROR;
            switch (cell.kind) {
            case CellKind::Empty:
                break;
            case CellKind::Text:
                e = worksheet_write_string(ws, row, col, cell.text.c_str(), nullptr);
                break;
            case CellKind::Number:
            case CellKind::Integer:
                e = worksheet_write_number(ws, row, col, cell.number, nullptr);
                break;
            case CellKind::DateTime:
                e = worksheet_write_number(ws, row, col, cell.number, time);
                break;
            }
            if (e != LXW_NO_ERROR) {
                failure = "list „" + sheet.name + "“: " + lxw_strerror(e);
                return false;
            }
            widths[c] = std::max(widths[c], TextWidth(cell));
        }
    }
    for (std::size_t c = 0; c < widths.size(); ++c)
        worksheet_set_column(ws, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                             static_cast<double>(std::min<std::size_t>(widths[c], 60) + 2),
                             nullptr);
    worksheet_freeze_panes(ws, 1, 0);
    // Printed (or converted to PDF) a page wide, the header row on every page.
    worksheet_fit_to_pages(ws, 1, 0);
    worksheet_repeat_rows(ws, 0, 0);
    if (!sheet.charts.empty())
        worksheet_set_landscape(ws);

    const auto last = static_cast<lxw_row_t>(sheet.rows.size());
    for (std::size_t i = 0; i < sheet.charts.size() && last > 0; ++i) {
        const Chart& wanted = sheet.charts[i];
        lxw_chart* chart = workbook_add_chart(
            book, wanted.type == Chart::Type::Column ? LXW_CHART_COLUMN : LXW_CHART_LINE);
        if (!chart) {
            failure = "graf „" + wanted.title + "“ nelze založit";
            return false;
        }
        const auto categories = static_cast<lxw_col_t>(wanted.categories);
        for (const std::size_t values : wanted.values) {
            lxw_chart_series* series = chart_add_series(chart, nullptr, nullptr);
            const auto col = static_cast<lxw_col_t>(values);
            chart_series_set_categories(series, sheet.name.c_str(), 1, categories, last,
                                        categories);
            chart_series_set_values(series, sheet.name.c_str(), 1, col, last, col);
            chart_series_set_name_range(series, sheet.name.c_str(), 0, col);
        }
        chart_title_set_name(chart, wanted.title.c_str());
        if (!wanted.valueAxis.empty())
            chart_axis_set_name(chart->y_axis, wanted.valueAxis.c_str());
        // Amounts start at zero; a scale from the lowest month would make
        // small differences look large.
        chart_axis_set_min(chart->y_axis, 0);
        // Below the table, side by side: a page wide as the table is.
        worksheet_insert_chart(ws, last + 2, static_cast<lxw_col_t>(6 * i), chart);
    }
    return true;
}

} // namespace

bool XlsxBytes(const Workbook& workbook, std::string& bytes, std::string* reason)
{
    const auto fail = [&](const std::string& why) {
        if (reason)
            *reason = why;
        return false;
    };
    PrivateFolder folder;
    if (folder.path().empty())
        return fail("dočasnou složku nelze vytvořit: " + SystemErrorText(folder.error()));
    const std::string file = folder.path() + "/sesit.xlsx";
    lxw_workbook_options options{};
    options.tmpdir = const_cast<char*>(folder.path().c_str());
    lxw_workbook* book = workbook_new_opt(file.c_str(), &options);
    if (!book)
        return fail("sešit nelze založit");
    lxw_format* header = workbook_add_format(book);
    format_set_bold(header);
    lxw_format* time = workbook_add_format(book);
    format_set_num_format(time, "dd.mm.yyyy hh:mm");

    std::string failure;
    for (const Sheet& sheet : workbook.sheets)
        if (!WriteSheet(book, sheet, header, time, failure))
            break;
    // Closing writes the file; it also frees the workbook after a failure.
    const lxw_error closed = workbook_close(book);
    if (!failure.empty())
        return fail(failure);
    if (closed != LXW_NO_ERROR)
        return fail(std::string("sešit nelze zapsat: ") + lxw_strerror(closed));
    if (!ReadWholeFile(file, bytes))
        return fail("sešit nelze přečíst: " + SystemErrorText(errno));
    return true;
}

} // namespace kw
