// kwatrix-report: the listings of the desktop program without a display.
// Standard output gets exactly the lines a listing adds to the output window,
// standard error every completed log line.
#include "app/Report.h"

#include "analysis/Bill.h"
#include "analysis/Contract.h"
#include "analysis/QuietListing.h"
#include "analysis/YearOverview.h"
#include "archive/AtomicFile.h"
#include "archive/DateTime.h"
#include "archive/Devices.h"
#include "archive/MonthFile.h"
#include "archive/NumberFormat.h"
#include "calendar/Calendar.h"
#include "export/Formats.h"
#include "export/Table.h"
#include "listing/Engine.h"
#include "store/StoreDb.h"
#include "store/StoreRead.h"
#include "store/Sync.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <ostream>
#include <set>
#include <unistd.h>

namespace kw {

DescriptorBuffer::DescriptorBuffer(int fd, int error) : m_fd(fd), m_error(error)
{
    setp(m_buffer, m_buffer + sizeof m_buffer);
}

DescriptorBuffer::~DescriptorBuffer()
{
    drain();
}

bool DescriptorBuffer::drain()
{
    // Bytes that cannot be written are a failure; none pending is none.
    const char* next = pbase();
    bool written = true;
    while (next < pptr()) {
        if (m_error != 0) {
            written = false;
            break;
        }
        const ssize_t n = ::write(m_fd, next, static_cast<std::size_t>(pptr() - next));
        if (n > 0)
            next += n;
        else if (n < 0 && errno != EINTR)
            m_error = errno;
    }
    setp(m_buffer, m_buffer + sizeof m_buffer);
    return written;
}

int DescriptorBuffer::overflow(int c)
{
    if (!drain())
        return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int DescriptorBuffer::sync()
{
    return drain() ? 0 : -1;
}

namespace {

const char kUsage[] =
    "usage: kwatrix-report [--dir DIR] [--device N] [--month YYYY-MM] PERIOD\n"
    "                      [--block N] [--mode 0..4] [--impulses] [--values xy|y] [--point]\n"
    "                      [--format text|csv|excel-csv|json|xlsx] [--output FILE]\n"
    "       kwatrix-report [--dir DIR] [--device N] --year YYYY [--block N] [--impulses]\n"
    "                      [--capacity X] [--format text|csv|excel-csv|json|xlsx]\n"
    "                      [--output FILE]\n"
    "       kwatrix-report [--dir DIR] [--device N] --bill YYYY[-MM]\n"
    "                      [--format text|csv|excel-csv|json|xlsx] [--output FILE]\n"
    "       kwatrix-report [--dir DIR] [--device N] --advise-capacity YYYY\n"
    "       kwatrix-report [--dir DIR] --sync [--store URL] [--site NAME] [--progress]\n"
    "       kwatrix-report --store URL --year YYYY [--site NAME | --sites] [--device N]\n"
    "                      [--block N] [--capacity X] [--format text|csv|excel-csv|json|xlsx]\n"
    "                      [--output FILE]\n"
    "       kwatrix-report --help | --version\n"
    "PERIOD: --day D | --whole-month | --energy-month | --range A-B | --raw N\n"
    "--format csv|excel-csv|json: the quarter-hour values of the listing instead of\n"
    "                   its text (csv: end,value in ISO 8601, CR LF; excel-csv: Czech\n"
    "                   headings, semicolons, decimal comma, dd.mm.yyyy hh:mm;\n"
    "                   --csv-excel is --format excel-csv)\n"
    "--format xlsx --output FILE: an Excel workbook of the values (a year: the\n"
    "                   overview with its charts and a sheet for each month)\n"
    "--output FILE: the export into FILE (replaced atomically) instead of standard\n"
    "               output\n"
    "--year: the year overview, a row for each month with data: quarter-hours,\n"
    "        energy, average, maximum and its time, quarter-hours above --capacity\n"
    "        (the reserved capacity in the block's unit)\n"
    "--bill: the check of the distribution bill of each month (or one month) by the\n"
    "        contract and price list in KWATRIX-SMLOUVA.INI beside the month files\n"
    "--advise-capacity: the ten highest quarter-hours of the year and the cheapest\n"
    "        booking of the reserved capacity, for that year and the next\n"
    "--sync: every month file of the folder into the store (default: the one\n"
    "        remembered for the folder, else sqlite: in the user's data folder), as\n"
    "        site NAME (default: the folder's name); --progress names each file\n"
    "--store URL --year: the year overview from the store (sqlite:FILE or\n"
    "        postgresql://...; the password from ~/.pgpass or PGPASSWORD); --sites: a\n"
    "        row for each site and month, with the contract's reserved capacity\n"
    "exit status: 0 done; 1 an I/O error ended the listing, or a month could not be\n"
    "             read whole; 2 bad arguments, a day or range the month does not\n"
    "             have, or a missing or invalid contract or price list (named);\n"
    "             3 archive description not loadable;\n"
    "             4 energy-month ends missing; 5 the raw listing's read failed\n";

constexpr int kDone = 0;
constexpr int kIoError = 1;
constexpr int kBadArguments = 2;
constexpr int kNoDescription = 3;
constexpr int kEnergyMonthEnds = 4;
constexpr int kRawListingFailed = 5;

enum class Period { None, Day, WholeMonth, EnergyMonth, Range, Raw, Year, Bill, Advice, Sync };

struct Arguments {
    std::string dir;
    std::optional<int32_t> device;
    std::optional<Date> month;
    Period period = Period::None;
    int32_t first = 0, second = 0;
    std::optional<int32_t> block;
    int32_t mode = 0;
    bool impulses = false;
    std::string values; // "", "xy" or "y"
    bool point = false;
    std::string format = "text"; // "text" or the name of an export format
    std::string output;          // the file of an export; empty: standard output
    bool csvExcel = false;
    int32_t year = 0;
    int32_t billMonth = 0; // --bill YYYY-MM; 0: the whole year
    std::optional<double> capacity;
    std::string store; // --store URL
    std::string site;  // --site NAME
    bool sites = false;
    bool progress = false;
};

// Writes an export in `format` to --output or `out`; false after saying why.
bool WriteExport(const ExportFormat& format, const ExportSource& source, const std::string& path,
                 std::ostream& out, std::ostream& err)
{
    std::string bytes;
    std::string reason;
    if (!format.write(source, bytes, reason)) {
        err << SaveFailureText(path.empty() ? "-" : path, reason) << '\n';
        return false;
    }
    if (path.empty()) {
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        return true;
    }
    if (SaveFile(path, bytes, &reason))
        return true;
    err << SaveFailureText(path, reason) << '\n';
    return false;
}

bool ParseNumber(const std::string& text, int32_t low, int32_t high, int32_t& value)
{
    if (text.empty() || text.size() > 9)
        return false;
    int64_t v = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    if (v < low || v > high)
        return false;
    value = static_cast<int32_t>(v);
    return true;
}

std::string YearsHeld()
{
    return std::to_string(DayArchive::FirstYear) + ".." + std::to_string(DayArchive::LastYear);
}

// A plain decimal number of 0 or more; no locale, no exponent, no "inf".
bool ParseCapacity(const std::string& text, double& value)
{
    if (text.empty() || text.size() > 32 ||
        text.find_first_not_of("0123456789.") != std::string::npos)
        return false;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() &&
           std::isfinite(value);
}

// Empty when the arguments are good, else what is wrong with them.
std::string Parse(const std::vector<std::string>& args, Arguments& a)
{
    const auto setPeriod = [&](Period p) {
        if (a.period != Period::None)
            return false;
        a.period = p;
        return true;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto value = [&](std::string& out) {
            if (i + 1 >= args.size())
                return false;
            out = args[++i];
            return true;
        };
        std::string v;
        int32_t n = 0;
        if (arg == "--dir") {
            if (!value(a.dir) || a.dir.empty())
                return std::string("--dir needs a directory");
        } else if (arg == "--device") {
            if (!value(v) || !ParseNumber(v, 0, 15, n))
                return std::string("--device takes a device number 0..15");
            a.device = n;
        } else if (arg == "--month") {
            int32_t y = 0, m = 0;
            if (!value(v) || v.size() != 7 || v[4] != '-' ||
                !ParseNumber(v.substr(0, 4), 1, 9999, y) || !ParseNumber(v.substr(5), 1, 12, m))
                return std::string("--month takes YYYY-MM");
            // The file names carry two digits of the year: 2080 would list
            // the file of 1980, and the calendar would get a year of its own.
            if (y < DayArchive::FirstYear || y > DayArchive::LastYear)
                return "--month " + v + " is outside " + YearsHeld();
            a.month = Date{y, m, 1};
        } else if (arg == "--day") {
            if (!value(v) || !ParseNumber(v, 1, 31, a.first) || !setPeriod(Period::Day))
                return std::string("--day takes one day 1..31, and only one period");
        } else if (arg == "--whole-month") {
            if (!setPeriod(Period::WholeMonth))
                return std::string("only one period");
        } else if (arg == "--energy-month") {
            if (!setPeriod(Period::EnergyMonth))
                return std::string("only one period");
        } else if (arg == "--range") {
            if (!value(v))
                return std::string("--range takes A-B");
            const auto at = v.find('-');
            if (at == std::string::npos || !ParseNumber(v.substr(0, at), 1, 31, a.first) ||
                !ParseNumber(v.substr(at + 1), 1, 31, a.second) || !setPeriod(Period::Range))
                return std::string("--range takes two days A-B of 1..31, and only one period");
        } else if (arg == "--raw") {
            if (!value(v) || !ParseNumber(v, 0, 32, a.first) || !setPeriod(Period::Raw))
                return std::string(
                    "--raw takes an entry number 0..32 (0: the latest), and only one period");
        } else if (arg == "--year") {
            if (!value(v) || v.size() != 4 ||
                !ParseNumber(v, DayArchive::FirstYear, DayArchive::LastYear, a.year) ||
                !setPeriod(Period::Year))
                return "--year takes a year " + YearsHeld() + ", and only one period";
        } else if (arg == "--bill" || arg == "--advise-capacity") {
            const bool bill = arg == "--bill";
            const bool given = value(v);
            const bool withMonth = bill && v.size() == 7;
            if (!given || (v.size() != 4 && !withMonth) ||
                !ParseNumber(v.substr(0, 4), DayArchive::FirstYear, DayArchive::LastYear, a.year) ||
                (withMonth && (v[4] != '-' || !ParseNumber(v.substr(5), 1, 12, a.billMonth))) ||
                !setPeriod(bill ? Period::Bill : Period::Advice))
                return arg + (bill ? " takes YYYY or YYYY-MM" : " takes YYYY") + " of " +
                       YearsHeld() + ", and only one period";
        } else if (arg == "--capacity") {
            double c = 0;
            if (!value(v) || !ParseCapacity(v, c))
                return std::string("--capacity takes a number of 0 or more, like 250 or 62.5");
            a.capacity = c;
        } else if (arg == "--block") {
            if (!value(v) || !ParseNumber(v, 1, 10, n))
                return std::string("--block takes a block number 1..10");
            a.block = n;
        } else if (arg == "--mode") {
            if (!value(v) || !ParseNumber(v, 0, 4, a.mode))
                return std::string("--mode takes 0..4");
        } else if (arg == "--impulses") {
            a.impulses = true;
        } else if (arg == "--values") {
            if (!value(a.values) || (a.values != "xy" && a.values != "y"))
                return std::string("--values takes xy or y");
        } else if (arg == "--point") {
            a.point = true;
        } else if (arg == "--format") {
            if (!value(a.format) || (a.format != "text" && !FindExportFormat(a.format)))
                return std::string("--format takes text, csv, excel-csv, json or xlsx");
        } else if (arg == "--output") {
            if (!value(a.output) || a.output.empty())
                return std::string("--output takes a file name");
        } else if (arg == "--csv-excel") {
            a.csvExcel = true;
        } else if (arg == "--sync") {
            if (!setPeriod(Period::Sync))
                return std::string("only one period");
        } else if (arg == "--store") {
            if (!value(a.store) || a.store.empty())
                return std::string("--store takes the URL of a store");
        } else if (arg == "--site") {
            if (!value(a.site) || a.site.empty())
                return std::string("--site takes the name of a site");
        } else if (arg == "--sites") {
            a.sites = true;
        } else if (arg == "--progress") {
            a.progress = true;
        } else {
            return std::string("unknown argument " + arg);
        }
    }
    if (a.period == Period::None)
        return std::string("a period is needed");
    // The exports hold the quarter-hour values of a listing: a raw listing has
    // none, and --values is another form of the same values.
    if (a.format != "text" && (a.period == Period::Raw || !a.values.empty()))
        return std::string("--format goes with neither --raw nor --values");
    if (a.csvExcel && a.format != "csv")
        return std::string("--csv-excel goes with --format csv");
    if (a.csvExcel)
        a.format = "excel-csv";
    // A workbook is no text for a terminal or a pipe.
    if (a.format == "xlsx" && a.output.empty())
        return std::string("--format xlsx goes with --output FILE");
    if (a.format == "text" && !a.output.empty())
        return std::string("--output goes with --format");
    if (a.period == Period::Year && (a.month || !a.values.empty()))
        return std::string("--year goes with neither --month nor --values");
    const bool bill = a.period == Period::Bill || a.period == Period::Advice;
    if (bill && (a.month || !a.values.empty() || a.block || a.impulses))
        return std::string(
            "--bill and --advise-capacity go with none of --month, --values, --block, --impulses");
    if (a.period == Period::Advice && a.format != "text")
        return std::string("--advise-capacity writes text only");
    if (a.capacity && a.period != Period::Year)
        return std::string("--capacity goes with --year");
    if (a.period == Period::Sync &&
        (a.month || a.block || a.device || a.impulses || a.format != "text" || !a.values.empty()))
        return std::string("--sync goes with --dir, --store, --site and --progress only");
    if (!a.store.empty() && a.period != Period::Sync && a.period != Period::Year)
        return std::string("--store goes with --sync or --year");
    if ((!a.site.empty() || a.sites) && a.store.empty() && a.period != Period::Sync)
        return std::string("--site and --sites go with --store");
    if (a.sites && (!a.site.empty() || a.period != Period::Year || a.block || a.capacity))
        return std::string("--sites goes with --year, and with neither --site, --block nor "
                           "--capacity");
    if (a.sites && a.format != "text" && a.format != "csv")
        return std::string("--sites writes text or csv");
    if (a.progress && a.period != Period::Sync)
        return std::string("--progress goes with --sync");
    if (!a.store.empty() && a.period == Period::Year && a.impulses)
        return std::string("the store holds converted values: --impulses goes not with --store");
    // The capacity is in the block's unit; impulses have none.
    if (a.capacity && a.impulses)
        return std::string("--capacity goes not with --impulses");
    return std::string();
}

// The year overview of `months` as text or an export, from a folder or a
// store alike.
int WriteYear(const Arguments& a, const std::string& folder, const std::vector<MonthSeries>& months,
              const YearOverviewFacts& facts, std::ostream& out, std::ostream& err)
{
    const YearOverview overview = SummariseYear(months, facts);
    if (const ExportFormat* format = FindExportFormat(a.format)) {
        const SeriesBlock block{overview.block, overview.blockName, overview.unit, true};
        const ExportSource source =
            YearExportSource(overview, months,
                             ExportParameters(folder, facts.device, block, overview.unit,
                                              std::to_string(a.year) + " (kalendářní měsíce)", 0,
                                              overview.capacity));
        if (!WriteExport(*format, source, a.output, out, err))
            return kIoError;
    } else {
        const std::string text = YearOverviewText(overview);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.flush();
    }
    // A month that could not be read whole is no month without data.
    const std::vector<std::string> failures = YearFailures(overview);
    for (const std::string& failure : failures)
        err << failure << '\n';
    return failures.empty() ? kDone : kIoError;
}

// Every month file of the folder into the store.
int ReportSync(const Arguments& a, const std::string& dir, std::ostream& err)
{
    std::string url = a.store;
    if (url.empty())
        url = RememberedStoreUrl(dir);
    if (url.empty())
        url = DefaultStoreUrl();
    const std::string site = a.site.empty() ? DefaultSiteName(dir) : a.site;
    try {
        const std::unique_ptr<StoreDb> db = OpenStore(url);
        const SyncResult result = SyncArchive(*db, dir, site, [&](const SyncProgress& p) {
            if (a.progress && !p.file.empty())
                err << "sync " << (p.done + 1) << "/" << p.total << " " << p.file << std::endl;
            return true;
        });
        for (const std::string& failure : result.failures)
            err << failure << '\n';
        err << SyncSummary(result, db->name()) << '\n';
        std::string reason;
        if (!RememberStoreUrl(dir, url, &reason))
            err << "kwatrix-report: úložiště složky nelze zapamatovat: " << reason << '\n';
        return result.failures.empty() ? kDone : kIoError;
    } catch (const StoreError& e) {
        err << e.what() << '\n';
        return kIoError;
    }
}

// The year overview of a site, or of every site, from the store.
int ReportFromStore(const Arguments& a, const std::string& dir, std::ostream& out,
                    std::ostream& err)
{
    try {
        const std::unique_ptr<StoreDb> db = OpenStore(a.store, {}, false);
        if (a.sites) {
            const std::vector<SiteMonth> rows = SitesYear(*db, a.year, a.device);
            const std::string text =
                a.format == "csv" ? SitesYearCsv(rows, a.year) : SitesYearText(rows, a.year);
            if (!a.output.empty()) {
                std::string reason;
                if (!SaveFile(a.output, text, &reason)) {
                    err << SaveFailureText(a.output, reason) << '\n';
                    return kIoError;
                }
            } else {
                out.write(text.data(), static_cast<std::streamsize>(text.size()));
                out.flush();
            }
            int failed = 0;
            for (const SiteMonth& r : rows)
                if (r.month.state == MonthState::Partly ||
                    r.month.state == MonthState::Unreadable) {
                    err << r.site << " " << MonthKey(a.year, r.month.month) << ": "
                        << r.month.reason << '\n';
                    ++failed;
                }
            return failed ? kIoError : kDone;
        }
        const StoreSite site = FindStoreSite(*db, a.site, dir);
        const std::vector<StoreChannel> channels = StoreChannels(*db, site.id);
        const std::vector<int32_t> devices = StoreDevices(channels);
        const int32_t device = a.device ? *a.device : devices.empty() ? 0 : devices.front();
        const StoreChannel* channel = ChooseChannel(channels, device, a.block ? *a.block : 0);
        if (!channel) {
            err << StoreMessage(
                       db->name(),
                       "lokalita „" + site.name + "“ nemá zařízení " + std::to_string(device) +
                           (a.block ? ", blok " + std::to_string(*a.block) : std::string()))
                << '\n';
            return kBadArguments;
        }
        const std::vector<MonthSeries> months = StoreYear(*db, *channel, a.year);
        YearOverviewFacts facts;
        facts.device = device;
        facts.block = channel->block.number;
        facts.year = a.year;
        facts.unit = channel->block.unit;
        facts.capacity = a.capacity;
        return WriteYear(a, site.folder, months, facts, out, err);
    } catch (const StoreError& e) {
        err << e.what() << '\n';
        return kIoError;
    }
}

// Empty when the days asked for lie in the listing month, else what is wrong:
// a listing of days the month does not have would be a table of zeros.
std::string CheckDays(const Arguments& a, const Date& month)
{
    const int32_t days = DaysInMonth(month.year, month.month);
    const std::string name = FormatInt(month.year, 4) + "-" + FormatInt(month.month, 2);
    const std::string within = " (1.." + std::to_string(days) + ")";
    if (a.period == Period::Day && a.first > days)
        return "--day " + std::to_string(a.first) + " is not a day of " + name + within;
    if (a.period == Period::Range && std::max(a.first, a.second) > days)
        return "--range " + std::to_string(a.first) + "-" + std::to_string(a.second) +
               " goes beyond the days of " + name + within;
    return std::string();
}

// Questions keep the parameters given on the command line; messages go to
// standard error after the log lines.
class ReportUi : public ListingUi {
public:
    explicit ReportUi(std::ostream& err) : m_err(err) {}
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void showMessage(const std::string&, const std::string& text, bool) override
    {
        m_err << text << '\n';
    }

private:
    std::ostream& m_err;
};

// The bill check and the capacity advice of the device, by the contract
// beside the month files.
int ReportBill(const Arguments& a, const std::string& dir, Engine& engine, std::ostream& out,
               std::ostream& err)
{
    ContractFile file;
    const int32_t loaded = file.Load(dir);
    if (loaded == ENOENT) {
        err << "kwatrix-report: " << ContractFile::StoragePath(dir)
            << ": soubor smlouvy a ceníku chybí (Nastavení → Smlouva a ceník)\n";
        return kBadArguments;
    }
    if (loaded != 0) {
        err << "kwatrix-report: " << file.LastErrorText << '\n';
        return loaded == ContractFile::BadContent ? kBadArguments : kIoError;
    }
    const int32_t device = engine.Location.DeviceNo;
    const DeviceContract* contract = file.contracts.find(device);
    const std::string problem = ContractProblem(contract, device, a.year, a.billMonth);
    if (!problem.empty()) {
        err << "kwatrix-report: " << ContractFile::FileName << ": " << problem << '\n';
        return kBadArguments;
    }
    // An invoice is for the calendar month: the day starts at midnight.
    ListingSettings settings = engine.settings;
    settings.ConvertValues = true;
    QuietListing quiet(dir, device, settings, 0);
    const YearBill bill = ListBills(quiet, *contract, engine.division, a.year, a.billMonth);
    if (a.period == Period::Advice) {
        const std::string text = AdviceText(AdviseCapacity(bill, *contract));
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
    } else if (const ExportFormat* format = FindExportFormat(a.format)) {
        const SeriesBlock block{contract->activeBlock, bill.activeName, "kW", true};
        const std::string period =
            a.billMonth ? MonthKey(a.year, a.billMonth) : std::to_string(a.year);
        const ExportSource source =
            BillExportSource(bill, *contract,
                             ExportParameters(dir, device, block, "kW",
                                              period + " (kalendářní měsíce)", 0, std::nullopt));
        if (!WriteExport(*format, source, a.output, out, err))
            return kIoError;
    } else {
        const std::string text = BillText(bill, *contract);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    out.flush();
    const std::vector<std::string> failures = BillFailures(bill);
    for (const std::string& failure : failures)
        err << failure << '\n';
    return failures.empty() ? kDone : kIoError;
}

int Report(const std::vector<std::string>& args, const std::string& defaultDir, std::ostream& out,
           std::ostream& err)
{
    for (const std::string& arg : args) {
        if (arg == "--help") {
            out << kUsage;
            return kDone;
        }
        if (arg == "--version") {
            out << "kwatrix-report " << KWATRIX_VERSION << '\n';
            return kDone;
        }
    }
    Arguments a;
    const std::string problem = Parse(args, a);
    if (!problem.empty()) {
        err << "kwatrix-report: " << problem << '\n' << kUsage;
        return kBadArguments;
    }
    const Date month = a.month ? *a.month : YesterdayDate();
    const std::string outside = CheckDays(a, month);
    if (!outside.empty()) {
        err << "kwatrix-report: " << outside << '\n' << kUsage;
        return kBadArguments;
    }
    std::string dir = a.dir.empty() ? defaultDir : a.dir;
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    if (a.period == Period::Sync)
        return ReportSync(a, dir, err);
    if (!a.store.empty())
        return ReportFromStore(a, dir, out, err);

    ReportUi ui(err);
    Engine engine(ui);
    engine.setProgramPath(dir);
    // A failure that was logged is not said a second time as the message.
    std::set<std::string> loggedErrors;
    engine.log.setSink([&err, &loggedErrors](const std::string& line, bool error) {
        err << line << '\n';
        if (error)
            loggedErrors.insert(line);
    });
    const auto failed = [&](const std::exception& e, int status) {
        if (loggedErrors.count(e.what()) == 0)
            err << e.what() << '\n';
        return status;
    };
    StreamOutputTarget stdoutTarget(out);
    CountingOutputTarget nowhere;
    const bool listingText = a.values.empty() && a.format == "text" && a.period != Period::Year &&
                             a.period != Period::Bill && a.period != Period::Advice;
    engine.output.setTarget(listingText ? static_cast<OutputTarget*>(&stdoutTarget) : &nowhere);

    engine.LogProgramPath();
    engine.RemoveStaleTemporaries();
    engine.Location.DeviceNo = a.device ? *a.device : FillDeviceList(dir, 0).deviceNo;
    try {
        engine.description.LoadArchiveDescription(dir, engine.Location.DeviceNo);
    } catch (const std::exception& e) {
        // There, but not readable: an I/O error, not a missing description.
        return failed(e, kIoError);
    }
    if (!engine.description.ArchiveLoaded) {
        err << "Nebyl nalezen soubor " << engine.description.ArchivePrefix
            << "ARCH.INI\r\nProgram nemůže pokračovat\n";
        return kNoDescription;
    }
    engine.division.StartDayDivision(dir, engine.log);

    ListingRun& listing = engine.listing;
    listing.ListingYear = month.year;
    listing.ListingMonth = month.month;
    listing.SelectBlock();
    if (a.block) {
        if (*a.block > engine.description.BlockCount) {
            err << "kwatrix-report: the description has " << engine.description.BlockCount
                << " blocks\n"
                << kUsage;
            return kBadArguments;
        }
        int32_t entry = -1;
        for (std::size_t i = 0; i < listing.BlockEntryMap.size(); ++i)
            if (listing.BlockEntryMap[i] == *a.block)
                entry = static_cast<int32_t>(i);
        if (entry >= 0) {
            listing.ComboBoxABChange(entry);
        } else {
            // A block not offered for listing can still be listed from here.
            listing.SelectedEntry = -1;
            engine.description.CurrentBlock = *a.block;
            engine.description.CurrentBlockTitle =
                engine.description.BlockTable[static_cast<std::size_t>(*a.block)].Description;
        }
    }
    engine.settings.DisplayMode = a.mode;
    engine.settings.ConvertValues = !a.impulses;

    if (a.period == Period::Year) {
        // The months are listed on an engine of their own, each exactly as
        // --whole-month lists it.
        YearOverviewFacts facts;
        facts.device = engine.Location.DeviceNo;
        facts.block = engine.description.CurrentBlock;
        facts.year = a.year;
        if (const BlockDescription* block = engine.description.currentBlock())
            facts.unit = block->Unit;
        facts.impulses = a.impulses;
        facts.capacity = a.capacity;
        // An invoice is for the calendar month: the day starts at midnight.
        QuietListing quiet(dir, facts.device, engine.settings, 0);
        const std::vector<MonthSeries> months = ListYear(quiet, a.year, facts.block);
        return WriteYear(a, dir, months, facts, out, err);
    }

    if (a.period == Period::Bill || a.period == Period::Advice)
        return ReportBill(a, dir, engine, out, err);

    try {
        switch (a.period) {
        case Period::Day:
            listing.PickAction(ListingRun::PickDay);
            listing.MonthAction(a.first);
            break;
        case Period::WholeMonth:
            listing.MonthAction(ListingRun::WholeMonth);
            break;
        case Period::EnergyMonth:
            listing.MonthAction(ListingRun::EnergyMonth);
            if (listing.LastStatus == ListingRun::Status::EnergyMonthEndsMissing)
                return kEnergyMonthEnds;
            break;
        case Period::Range:
            listing.PickAction(ListingRun::PickRange);
            listing.PickAction(a.first);
            listing.PickAction(a.second);
            break;
        case Period::Raw:
            listing.ArchivedDayAction(a.first);
            if (listing.LastStatus == ListingRun::Status::RawReadFailed)
                return kRawListingFailed;
            break;
        case Period::None:
        case Period::Year:
        case Period::Bill:
        case Period::Advice:
        case Period::Sync:
            break;
        }
    } catch (const std::exception& e) {
        return failed(e, a.period == Period::Raw ? kRawListingFailed : kIoError);
    }

    if (const ExportFormat* format = FindExportFormat(a.format)) {
        const ListingFacts facts = FactsOf(engine);
        const ExportSource source = ListingExportSource(
            engine.series, facts, dir, facts.command + " (" + SeriesPeriod(engine.series) + ")");
        if (!WriteExport(*format, source, a.output, out, err))
            return kIoError;
    } else if (!a.values.empty()) {
        const std::string text = CopyValuesText(engine.graph.bars(), a.values == "xy", !a.point);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.flush();
    }
    // The listing's word for a day without values goes with every export.
    if (!listingText && a.values.empty()) {
        for (const SeriesDay& d : engine.series.days) {
            if (d.state == DayState::NoRecord)
                err << IsoDate(d.day) << ": Záznam tento den není dostupný [" << std::abs(d.result)
                    << "]\n";
            else if (d.state == DayState::BlockNotFound)
                err << IsoDate(d.day) << ": blok „" << engine.series.block.name
                    << "“ se v popisu archivu nenašel\n";
        }
    }
    return kDone;
}

} // namespace

int RunReport(const std::vector<std::string>& args, const std::string& defaultDir,
              std::ostream& out, std::ostream& err)
{
    const int status = Report(args, defaultDir, out, err);
    // A listing or export that did not reach standard output (a full disk, a
    // closed descriptor) is no success.
    if (!out.flush()) {
        const auto* buffer = dynamic_cast<const DescriptorBuffer*>(out.rdbuf());
        const int reason = buffer ? buffer->error() : 0;
        err << "kwatrix-report: standardní výstup nelze zapsat"
            << (reason ? ": " + SystemErrorText(reason) : std::string()) << '\n';
        return status == kDone ? kIoError : status;
    }
    return status;
}

} // namespace kw
