#include "analysis/Bill.h"

#include "analysis/QuietListing.h"
#include "archive/Codepage.h"
#include "archive/DateTime.h"
#include "archive/NumberFormat.h"
#include "calendar/DayDivision.h"
#include "graph/SeriesExport.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace kw {

namespace {

// Money to the haléř. The amounts are never negative; the nudge keeps a
// product like 2.675 from rounding down for its binary error.
double Money(double amount)
{
    return std::round(amount * 100 + 1e-6) / 100;
}

// The mean power of a quarter-hour in kW: what a power block shows, four
// times the amount of an energy block.
double Power(const Series& s, const SeriesValue& v)
{
    return s.kind == SeriesKind::MeanPower ? ExactValue(v.shown) : 4 * ExactValue(v.stored);
}

// The sum of the amounts as the listing's "Celkem" adds them.
struct Amounts {
    long double sum = 0;
    int32_t count = 0;
    void add(const SeriesValue& v)
    {
        sum += ExportValue(v.stored);
        ++count;
    }
};

// Why a block's month is not whole, or nothing.
void CheckMonth(const MonthSeries& series, const MonthOverview& m, const std::string& what,
                std::vector<std::string>& why)
{
    if (!series.hasFile) {
        why.push_back(what + ": měsíc nemá soubor");
        return;
    }
    if (!m.reason.empty())
        why.push_back(what + ": " + m.reason);
    if (m.count < m.expected)
        why.push_back(what + ": chybí " + std::to_string(m.expected - m.count) + " z " +
                      std::to_string(m.expected) + " čtvrthodin");
}

std::string Kw(double value)
{
    return ExportNumber(value, ',') + " kW";
}

std::string Kc(double value)
{
    // "12 345,67": two decimals, thousands apart, as an invoice writes them.
    const long long cents = std::llround(value * 100);
    std::string whole = std::to_string(std::llabs(cents) / 100);
    for (int i = static_cast<int>(whole.size()) - 3; i > 0; i -= 3)
        whole.insert(static_cast<std::size_t>(i), " ");
    return (cents < 0 ? "-" : "") + whole + "," + FormatInt(std::llabs(cents) % 100, 2);
}

std::string Fixed3(double value)
{
    const long long m = std::llround(value * 1000);
    return std::to_string(m / 1000) + "," + FormatInt(m % 1000, 3);
}

std::string MonthKeyOf(const MonthBill& b)
{
    return MonthKey(b.year, b.month);
}

const char* StateText(const MonthBill& b)
{
    if (!b.active.count)
        return b.active.state == MonthState::NoFile ? "bez souboru" : "bez hodnot";
    return b.complete ? "úplný" : "neúplný";
}

std::string Reason(const MonthBill& b)
{
    std::string text;
    for (const std::string& w : b.incomplete)
        text += (text.empty() ? "" : "; ") + w;
    return text;
}

// The zones that appear in any month, in the order of the first.
std::vector<std::string> ZoneNames(const YearBill& bill)
{
    std::vector<std::string> names;
    for (const MonthBill& m : bill.months)
        for (const ZoneEnergy& z : m.zones)
            if (std::find(names.begin(), names.end(), z.name) == names.end())
                names.push_back(z.name);
    return names;
}

const ZoneEnergy* ZoneOf(const MonthBill& m, const std::string& name)
{
    for (const ZoneEnergy& z : m.zones)
        if (z.name == name)
            return &z;
    return nullptr;
}

bool KnownItemKey(const std::string& key)
{
    static const char* const keys[] = {
        "rk", "prekroceni_rk", "prekroceni_prikonu", "sit", "ucinik", "kapacitni", "celkem"};
    return std::find(std::begin(keys), std::end(keys), key) != std::end(keys) ||
           (key.rfind("tarif:", 0) == 0 && key.size() > 6);
}

} // namespace

std::vector<TariffZone> TariffZones(const DayDivision& division)
{
    std::vector<TariffZone> zones;
    for (int32_t s = 1; s <= DayDivision::NumOutputSums; ++s) {
        TariffZone zone;
        zone.name = TrimBlanks(division.OutputSumName(s));
        if (zone.name.empty())
            continue;
        for (int32_t k = 0; k < 3; ++k) {
            const uint32_t groups = division.OutputSumGroups(s, k);
            for (int32_t g = 1; g <= DayDivision::NumGroups; ++g)
                if (groups & (1u << g))
                    for (int32_t q = 0; q < DayDivision::NumQuarterHours; ++q)
                        if (division.GroupHasQuarterHour(g, q))
                            zone.quarters[static_cast<std::size_t>(k)].set(
                                static_cast<std::size_t>(q));
        }
        zones.push_back(std::move(zone));
    }
    return zones;
}

MonthBill ComputeMonthBill(const BillInput& in, const DeviceContract& contract,
                           const std::vector<TariffZone>& zones)
{
    MonthBill b;
    b.year = in.year;
    b.month = in.month;
    b.active = SummariseMonth(in.year, in.active, std::nullopt);
    CheckMonth(in.active, b.active, "činný blok", b.incomplete);
    if (in.reactiveBlock) {
        b.reactive = SummariseMonth(in.year, in.reactive, std::nullopt);
        CheckMonth(in.reactive, b.reactive, "jalový blok", b.incomplete);
    } else {
        b.incomplete.push_back("smlouva nemá jalový blok, účiník nelze určit");
    }
    const Series& active = in.active.series;

    const ContractTerms* terms = contract.termsOf(in.year, in.month);
    const PriceList* prices = contract.pricesOf(in.year, in.month);
    b.priced = terms != nullptr && prices != nullptr;
    static const PriceList kNoPrices;
    const PriceList& p = prices ? *prices : kNoPrices;
    if (prices)
        b.from = prices->from;

    // The maximum and the quarter-hours above the booked capacity.
    const SeriesValue* top = nullptr;
    double maximum = -std::numeric_limits<double>::infinity();
    for (const SeriesValue& v : active.values) {
        const double power = Power(active, v);
        if (power > maximum) {
            maximum = power;
            top = &v;
        }
    }
    if (top) {
        b.active.maximum = maximum;
        b.active.maximumX = top->days();
        b.active.maximumTime = active.Instant(*top);
    }
    if (terms) {
        b.annualCapacity = terms->annualCapacity.value_or(0);
        b.monthlyCapacity = contract.monthlyCapacityOf(in.year, in.month);
        b.capacity = b.annualCapacity + b.monthlyCapacity;
        b.reservedInput = terms->reservedInput;
    }
    b.capacityCharge = Money(b.annualCapacity * p.annualCapacityPrice +
                             b.monthlyCapacity * p.monthlyCapacityPrice);
    if (top && terms) {
        for (const SeriesValue& v : active.values) {
            const double power = Power(active, v);
            if (power > b.capacity) {
                ++b.quartersAboveCapacity;
                b.aboveCapacity.push_back({power, active.Instant(v), v.days()});
            }
        }
        std::stable_sort(
            b.aboveCapacity.begin(), b.aboveCapacity.end(),
            [](const BillQuarter& x, const BillQuarter& y) { return x.power > y.power; });
        if (b.aboveCapacity.size() > 20)
            b.aboveCapacity.resize(20);
        b.capacityExceedance = std::max(0.0, maximum - b.capacity);
        b.capacityPenalty =
            Money(p.capacityPenaltyFactor * p.monthlyCapacityPrice * b.capacityExceedance);
        if (b.reservedInput) {
            b.inputExceedance = std::max(0.0, maximum - *b.reservedInput);
            b.inputPenalty =
                Money(p.inputPenaltyFactor * p.monthlyCapacityPrice * b.inputExceedance);
        }
    }

    // Energy by tariff zone: each quarter-hour priced once, in the first
    // priced zone that holds it on its day class.
    b.energy = active.energy();
    std::vector<const TariffZone*> priced;
    for (const TariffZone& z : zones) {
        if (p.tariffPrices.count(z.name)) {
            priced.push_back(&z);
            b.zones.push_back({z.name, 0, 0, p.tariffPrices.at(z.name), 0});
        }
    }
    std::vector<Amounts> zoneSums(priced.size());
    Amounts unzoned;
    for (const SeriesValue& v : active.values) {
        const int32_t day = static_cast<int32_t>(v.day - DaysFromCivil(in.year, in.month, 1)) + 1;
        const int32_t k =
            day >= 1 && day <= 31 ? in.dayClass[static_cast<std::size_t>(day)] % 10 : 0;
        std::size_t z = 0;
        while (z < priced.size() && !(v.quarter >= 0 && v.quarter < 96 && k >= 0 && k < 3 &&
                                      priced[z]->quarters[static_cast<std::size_t>(k)].test(
                                          static_cast<std::size_t>(v.quarter))))
            ++z;
        (z < priced.size() ? zoneSums[z] : unzoned).add(v);
    }
    for (std::size_t z = 0; z < priced.size(); ++z) {
        b.zones[z].energy = static_cast<double>(zoneSums[z].sum);
        b.zones[z].quarters = zoneSums[z].count;
        b.zones[z].amount = Money(b.zones[z].energy / 1000 * b.zones[z].price);
    }
    b.unzonedEnergy = static_cast<double>(unzoned.sum);
    b.unzonedQuarters = unzoned.count;
    if (!priced.empty() && unzoned.count > 0)
        b.incomplete.push_back(std::to_string(unzoned.count) +
                               " čtvrthodin nepatří do žádného oceněného tarifu");
    if (prices)
        for (const auto& priceOf : p.tariffPrices)
            if (std::none_of(zones.begin(), zones.end(),
                             [&](const TariffZone& z) { return z.name == priceOf.first; }))
                b.incomplete.push_back("tarif „" + priceOf.first +
                                       "“ ceníku není výstupním součtem rozdělení dne");
    b.networkCharge = Money(b.energy / 1000 * p.networkPrice);

    // The power factor of the month.
    b.hasReactive = in.reactiveBlock && b.reactive.count > 0;
    if (b.hasReactive) {
        b.inductive = in.reactive.series.energy();
        b.inductiveQuarters = b.reactive.count;
        // Rounded down to three decimals, as the distributor does; the nudge
        // keeps 0.33 from becoming 0.329 for its binary error.
        b.tanPhi = b.energy > 0 ? std::floor(b.inductive / b.energy * 1000 + 1e-7) / 1000 : 0;
        b.cosPhi = 1 / std::sqrt(1 + b.tanPhi * b.tanPhi);
        if (b.tanPhi > p.neutralTan + 1e-9)
            for (const SurchargeBand& band : p.surcharge)
                if (b.tanPhi + 1e-9 >= band.fromTan)
                    b.surchargePercent = band.percent;
        b.surcharge = Money(b.surchargePercent / 100 * (b.capacityCharge + b.networkCharge));
    }
    if (in.capacitiveBlock) {
        const MonthOverview c = SummariseMonth(in.year, in.capacitive, std::nullopt);
        CheckMonth(in.capacitive, c, "kapacitní blok", b.incomplete);
        b.capacitive = in.capacitive.series.energy();
        b.capacitiveQuarters = c.count;
        b.capacitiveCharge = Money(b.capacitive * p.capacitivePrice);
    }

    b.complete = b.incomplete.empty();
    if (b.complete && b.priced) {
        double total = b.capacityCharge + b.capacityPenalty + b.inputPenalty + b.networkCharge +
                       b.surcharge + b.capacitiveCharge;
        for (const ZoneEnergy& z : b.zones)
            total += z.amount;
        b.total = Money(total);
    }
    return b;
}

std::string ContractProblem(const DeviceContract* contract, int32_t device, int32_t year,
                            int32_t month)
{
    // A zone without a price is no tariff (an output sum of everything, say);
    // quarter-hours left out of every priced zone mark their month instead.
    const std::string section = "[Zarizeni " + std::to_string(device);
    if (!contract)
        return "soubor smlouvy nemá oddíl " + section + "]";
    if (contract->activeBlock <= 0)
        return section + "] CinnyBlok: není zadán činný blok";
    for (int32_t m = month ? month : 1; m <= (month ? month : 12); ++m) {
        const std::string first = MonthKey(year, m) + "-01";
        const ContractTerms* terms = contract->termsOf(year, m);
        if (!terms)
            return section + " Smlouva RRRR-MM-DD]: žádná smlouva neplatí od " + first;
        if (!terms->annualCapacity && contract->monthlyCapacityOf(year, m) <= 0)
            return section + " Smlouva " + terms->from + "] RocniRK: chybí rezervovaná kapacita";
        const PriceList* prices = contract->pricesOf(year, m);
        if (!prices)
            return section + " Cenik RRRR-MM-DD]: žádný ceník neplatí od " + first;
    }
    return std::string();
}

std::vector<BillItem> BillItems(const MonthBill& b)
{
    const auto amount = [&b](double value) {
        return b.priced ? std::optional<double>(value) : std::nullopt;
    };
    std::vector<BillItem> items = {
        {"rk", "Platba za rezervovanou kapacitu", amount(b.capacityCharge)},
        {"prekroceni_rk", "Překročení rezervované kapacity", amount(b.capacityPenalty)},
        {"prekroceni_prikonu", "Překročení rezervovaného příkonu", amount(b.inputPenalty)},
        {"sit", "Použití sítě", amount(b.networkCharge)}};
    for (const ZoneEnergy& z : b.zones)
        items.push_back({"tarif:" + z.name, "Energie – " + z.name, amount(z.amount)});
    items.push_back({"ucinik", "Přirážka za nedodržení účiníku", amount(b.surcharge)});
    items.push_back({"kapacitni", "Dodávka kapacitní jalové energie", amount(b.capacitiveCharge)});
    items.push_back({"celkem", "Celkem za distribuci", b.total});
    return items;
}

std::vector<InvoiceRow> CompareInvoice(const MonthBill& bill, const Invoice* invoice,
                                       double tolerancePercent)
{
    std::vector<InvoiceRow> rows;
    const auto invoiced = [invoice](const std::string& key) -> std::optional<double> {
        if (!invoice)
            return std::nullopt;
        const auto it = invoice->items.find(key);
        return it == invoice->items.end() ? std::nullopt : std::optional<double>(it->second);
    };
    for (const BillItem& item : BillItems(bill))
        rows.push_back({item.key, item.label, item.amount, invoiced(item.key), {}, {}, false});
    // An invoiced item the computation has not (a zone since renamed) is
    // shown all the same: nothing the user typed disappears.
    if (invoice)
        for (const auto& item : invoice->items)
            if (std::none_of(rows.begin(), rows.end(),
                             [&](const InvoiceRow& r) { return r.key == item.first; }))
                rows.insert(
                    rows.end() - 1,
                    InvoiceRow{item.first, item.first, std::nullopt, item.second, {}, {}, false});
    for (InvoiceRow& r : rows) {
        if (!r.computed || !r.invoiced)
            continue;
        r.difference = std::round((*r.invoiced - *r.computed) * 100) / 100;
        if (*r.computed != 0)
            r.percent = *r.difference / std::fabs(*r.computed) * 100;
        r.exceeds = r.percent ? std::fabs(*r.percent) > tolerancePercent + 1e-9
                              : std::fabs(*r.difference) >= 0.01;
    }
    return rows;
}

bool ParseInvoiceCsv(const std::string& text, std::vector<Invoice>& out, std::string& error)
{
    std::vector<Invoice> invoices;
    std::vector<std::string> keys;
    std::size_t begin = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    char separator = 0;
    int32_t lineNo = 0;
    while (begin < text.size()) {
        const auto end = std::min(text.find('\n', begin), text.size());
        const std::string line = TrimBlanks(text.substr(begin, end - begin));
        begin = end + 1;
        ++lineNo;
        if (line.empty())
            continue;
        if (!separator)
            separator = line.find(';') != std::string::npos ? ';' : ',';
        std::vector<std::string> cells;
        std::size_t from = 0;
        while (true) {
            const auto at = line.find(separator, from);
            std::string cell = TrimBlanks(line.substr(from, at - from));
            if (cell.size() >= 2 && cell.front() == '"' && cell.back() == '"')
                cell = cell.substr(1, cell.size() - 2);
            cells.push_back(cell);
            if (at == std::string::npos)
                break;
            from = at + 1;
        }
        const std::string where = "řádek " + std::to_string(lineNo) + ": ";
        if (keys.empty()) {
            if (cells[0] != "month") {
                error = where + "první sloupec záhlaví má být „month“";
                return false;
            }
            for (std::size_t i = 1; i < cells.size(); ++i) {
                if (!KnownItemKey(cells[i])) {
                    error = where + "„" + cells[i] + "“ není položka vyúčtování";
                    return false;
                }
            }
            keys = cells;
            continue;
        }
        if (cells.size() > keys.size()) {
            error = where + "víc hodnot než sloupců záhlaví";
            return false;
        }
        const std::string& month = cells[0];
        if (!IsMonthKey(month)) {
            error = where + "„" + month + "“ není měsíc RRRR-MM";
            return false;
        }
        if (std::any_of(invoices.begin(), invoices.end(),
                        [&](const Invoice& i) { return i.month == month; })) {
            error = where + "měsíc " + month + " je v souboru podruhé";
            return false;
        }
        Invoice invoice{month, {}};
        for (std::size_t i = 1; i < cells.size(); ++i) {
            std::string cell = cells[i];
            if (cell.empty())
                continue; // not invoiced
            cell.erase(std::remove(cell.begin(), cell.end(), ' '), cell.end());
            if (separator == ';')
                std::replace(cell.begin(), cell.end(), ',', '.');
            char* endp = nullptr;
            const double value = std::strtod(cell.c_str(), &endp);
            if (endp != cell.c_str() + cell.size() || !std::isfinite(value) || value < 0) {
                error = where + keys[i] + ": „" + cells[i] + "“ není nezáporná částka";
                return false;
            }
            invoice.items[keys[i]] = value;
        }
        invoices.push_back(std::move(invoice));
    }
    if (keys.empty()) {
        error = "soubor nemá záhlaví";
        return false;
    }
    out = std::move(invoices);
    return true;
}

YearBill ListBills(QuietListing& quiet, const DeviceContract& contract, const DayDivision& division,
                   int32_t year, int32_t month)
{
    YearBill yb;
    yb.device = contract.device;
    yb.year = year;
    const std::vector<TariffZone> zones = TariffZones(division);
    const std::vector<int32_t> withFiles = quiet.MonthsWithFiles(year);
    for (int32_t m = month ? month : 1; m <= (month ? month : 12); ++m) {
        BillInput in;
        in.year = year;
        in.month = m;
        in.active = ListMonth(quiet, year, m, contract.activeBlock, withFiles);
        in.reactiveBlock = contract.reactiveBlock > 0;
        if (in.reactiveBlock)
            in.reactive = ListMonth(quiet, year, m, contract.reactiveBlock, withFiles);
        in.capacitiveBlock = contract.capacitiveBlock > 0;
        if (in.capacitiveBlock)
            in.capacitive = ListMonth(quiet, year, m, contract.capacitiveBlock, withFiles);
        in.dayClass = quiet.DayClasses(year, m);
        yb.months.push_back(ComputeMonthBill(in, contract, zones));
        if (yb.activeName.empty())
            yb.activeName = in.active.series.block.name;
        if (yb.reactiveName.empty())
            yb.reactiveName = in.reactive.series.block.name;
        yb.series.push_back(std::move(in.active));
    }
    return yb;
}

std::vector<std::string> BillFailures(const YearBill& bill)
{
    std::vector<std::string> failures;
    for (const MonthBill& m : bill.months) {
        const auto failed = [](const MonthOverview& o) {
            return o.state == MonthState::Partly || o.state == MonthState::Unreadable;
        };
        if (failed(m.active) || failed(m.reactive))
            failures.push_back(MonthKeyOf(m) + ": " + Reason(m));
    }
    return failures;
}

CapacityPlan BestCapacityPlan(const std::array<double, 12>& maxima,
                              const std::array<const PriceList*, 12>& prices)
{
    // Whole kW from none up to the highest maximum; a month's own booking
    // covers what the annual RK leaves, or its penalty is paid when that is
    // cheaper (a penalty factor below 1).
    double top = 0;
    for (double m : maxima)
        top = std::max(top, m);
    const auto levels = static_cast<std::size_t>(std::min(std::ceil(top), 1e6)) + 1;
    const auto monthCost = [&](std::size_t m, double annual, double& monthly, double& paid) {
        monthly = 0;
        paid = 0;
        const PriceList* p = prices[m];
        if (!p)
            return 0.0;
        const double over = std::max(0.0, maxima[m] - annual);
        const double booked = std::ceil(over - 1e-9);
        const double book = booked * p->monthlyCapacityPrice;
        const double penalty = p->capacityPenaltyFactor * p->monthlyCapacityPrice * over;
        if (book <= penalty)
            monthly = booked;
        else
            paid = over;
        return annual * p->annualCapacityPrice + std::min(book, penalty);
    };
    // The annual RK may rise from month to month but not fall within the
    // year: best[m][a] is the cheapest start up to month m ending at level a.
    std::vector<std::vector<double>> best(12, std::vector<double>(levels));
    std::vector<std::vector<std::size_t>> from(12, std::vector<std::size_t>(levels));
    for (std::size_t m = 0; m < 12; ++m) {
        double runMin = std::numeric_limits<double>::infinity();
        std::size_t runAt = 0;
        for (std::size_t a = 0; a < levels; ++a) {
            if (m > 0 && best[m - 1][a] < runMin) {
                runMin = best[m - 1][a];
                runAt = a;
            }
            double monthly = 0, paid = 0;
            best[m][a] =
                monthCost(m, static_cast<double>(a), monthly, paid) + (m > 0 ? runMin : 0.0);
            from[m][a] = runAt;
        }
    }
    std::size_t level = static_cast<std::size_t>(
        std::min_element(best[11].begin(), best[11].end()) - best[11].begin());
    CapacityPlan plan;
    plan.cost = Money(best[11][level]);
    std::array<std::size_t, 12> path{};
    for (std::size_t m = 12; m-- > 0;) {
        path[m] = level;
        level = from[m][level];
    }
    for (std::size_t m = 0; m < 12; ++m) {
        plan.annual[m] = static_cast<double>(path[m]);
        monthCost(m, plan.annual[m], plan.monthly[m], plan.over[m]);
    }
    return plan;
}

CapacityAdvice AdviseCapacity(const YearBill& bill, const DeviceContract& contract)
{
    CapacityAdvice a;
    a.year = bill.year;
    a.complete = bill.months.size() == 12;
    std::array<const PriceList*, 12> prices{}, next{};
    for (const MonthBill& m : bill.months) {
        const auto i = static_cast<std::size_t>(m.month - 1);
        a.maxima[i] = m.active.count > 0 ? m.active.maximum : 0;
        a.complete = a.complete && m.active.count > 0 && m.active.count == m.active.expected;
        prices[i] = contract.pricesOf(bill.year, m.month);
        next[i] = contract.pricesOf(bill.year + 1, m.month);
        a.nextPriced = a.nextPriced || next[i] != nullptr;
        if (m.priced)
            a.contractCost += m.capacityCharge + m.capacityPenalty;
    }
    for (const MonthSeries& m : bill.series)
        for (const SeriesValue& v : m.series.values)
            a.highest.push_back({Power(m.series, v), m.series.Instant(v), v.days()});
    // The ten highest, earliest first among equals.
    const auto higher = [](const BillQuarter& x, const BillQuarter& y) {
        return x.power > y.power || (x.power == y.power && x.x < y.x);
    };
    const std::size_t keep = std::min<std::size_t>(10, a.highest.size());
    std::partial_sort(a.highest.begin(), a.highest.begin() + static_cast<std::ptrdiff_t>(keep),
                      a.highest.end(), higher);
    a.highest.resize(keep);
    a.contractCost = Money(a.contractCost);
    a.best = BestCapacityPlan(a.maxima, prices);
    a.saving = Money(a.contractCost - a.best.cost);
    a.next = BestCapacityPlan(a.maxima, next);
    return a;
}

std::string BillText(const YearBill& bill, const DeviceContract& contract)
{
    std::string text = "Kontrola vyúčtování " + std::to_string(bill.year) + ", zařízení " +
                       std::to_string(bill.device) + ": činný blok " +
                       std::to_string(contract.activeBlock) + " „" + bill.activeName + "“";
    if (contract.reactiveBlock > 0)
        text += ", jalový blok " + std::to_string(contract.reactiveBlock) + " „" +
                bill.reactiveName + "“";
    text += "\n\n";
    // The table of the months: text columns from the left, numbers from the right.
    const std::vector<std::string> headings = {"Měsíc",         "Stav",
                                               "Maximum [kW]",  "Konec čtvrthodiny maxima",
                                               "RK [kW]",       "Překročení [kW]",
                                               "Energie [kWh]", "tg φ",
                                               "Přirážka [%]",  "Celkem [Kč]"};
    std::vector<std::vector<std::string>> rows = {headings};
    for (const MonthBill& m : bill.months) {
        const bool values = m.active.count > 0;
        rows.push_back({MonthKeyOf(m), StateText(m),
                        values ? ExportNumber(m.active.maximum, ',') : "", m.active.maximumTime,
                        m.priced ? ExportNumber(m.capacity, ',') : "",
                        m.priced && values ? ExportNumber(m.capacityExceedance, ',') : "",
                        ExportNumber(m.energy, ','), m.hasReactive ? Fixed3(m.tanPhi) : "",
                        m.hasReactive ? ExportNumber(m.surchargePercent, ',') : "",
                        m.total ? Kc(*m.total) : ""});
    }
    std::vector<std::size_t> widths(headings.size());
    for (const auto& row : rows)
        for (std::size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], Utf8Length(row[i]));
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            const std::string pad(widths[i] - Utf8Length(row[i]), ' ');
            line += (i ? "  " : "") + (i <= 1 || i == 3 ? row[i] + pad : pad + row[i]);
        }
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        text += line + "\n";
    }
    // Each month's items with the quarter-hours they rest on.
    for (const MonthBill& m : bill.months) {
        if (m.active.count == 0)
            continue;
        text += "\n" + MonthKeyOf(m) + " – " + StateText(m) +
                (m.incomplete.empty() ? "" : " (" + Reason(m) + ")") + "\n";
        text += "  čtvrthodin " + std::to_string(m.active.count) + " z " +
                std::to_string(m.active.expected) + ", maximum " + Kw(m.active.maximum) +
                " v čtvrthodině končící " + m.active.maximumTime + "\n";
        if (!m.priced) {
            text += "  nelze ocenit: v tomto měsíci neplatí smlouva nebo ceník\n";
            continue;
        }
        text += "  ceník od " + m.from + "; rezervovaná kapacita " + Kw(m.capacity) + " (roční " +
                ExportNumber(m.annualCapacity, ',') + ", měsíční " +
                ExportNumber(m.monthlyCapacity, ',') + ")\n";
        if (m.quartersAboveCapacity > 0) {
            text += "  nad RK " + std::to_string(m.quartersAboveCapacity) +
                    " čtvrthodin, nejvyšší překročení " + Kw(m.capacityExceedance) + ":";
            for (std::size_t i = 0; i < m.aboveCapacity.size() && i < 5; ++i)
                text += (i ? ", " : " ") + m.aboveCapacity[i].time + " " +
                        ExportNumber(m.aboveCapacity[i].power, ',');
            text += "\n";
        }
        if (m.reservedInput && m.inputExceedance > 0)
            text += "  nad rezervovaným příkonem " + Kw(*m.reservedInput) + " o " +
                    Kw(m.inputExceedance) + "\n";
        for (const ZoneEnergy& z : m.zones)
            text += "  tarif „" + z.name + "“: " + ExportNumber(z.energy, ',') + " kWh v " +
                    std::to_string(z.quarters) + " čtvrthodinách\n";
        if (m.hasReactive)
            text += "  jalová induktivní " + ExportNumber(m.inductive, ',') + " kvarh v " +
                    std::to_string(m.inductiveQuarters) + " čtvrthodinách, tg φ " +
                    Fixed3(m.tanPhi) + ", cos φ " + Fixed3(m.cosPhi) + "\n";
        if (contract.capacitiveBlock > 0)
            text += "  jalová kapacitní dodávka " + ExportNumber(m.capacitive, ',') + " kvarh v " +
                    std::to_string(m.capacitiveQuarters) + " čtvrthodinách\n";
        std::size_t width = 0;
        const std::vector<BillItem> items = BillItems(m);
        for (const BillItem& item : items)
            width = std::max(width, Utf8Length(item.label));
        for (const BillItem& item : items)
            text += "  " + item.label + std::string(width - Utf8Length(item.label), ' ') + "  " +
                    (item.amount ? Kc(*item.amount) + " Kč" : std::string("neurčeno")) + "\n";
    }
    return text;
}

std::string AdviceText(const CapacityAdvice& a)
{
    static const char* const names[12] = {"leden",  "únor",   "březen",   "duben",
                                          "květen", "červen", "červenec", "srpen",
                                          "září",   "říjen",  "listopad", "prosinec"};
    std::string text = "Doporučení rezervované kapacity podle roku " + std::to_string(a.year) +
                       (a.complete ? "" : " (rok není úplný: doporučení z měsíců, které jsou)") +
                       "\n\nDeset nejvyšších čtvrthodin (co srazit):\n";
    for (std::size_t i = 0; i < a.highest.size(); ++i)
        text += "  " + FormatInt(static_cast<int64_t>(i + 1), 2) + ".  " + a.highest[i].time +
                "  " + Kw(a.highest[i].power) + "\n";
    static const char* const since[12] = {"ledna",  "února",  "března",    "dubna",
                                          "května", "června", "července",  "srpna",
                                          "září",   "října",  "listopadu", "prosince"};
    const auto plan = [&](const CapacityPlan& p, int32_t year) {
        std::string t;
        for (std::size_t m = 0; m < 12; ++m) {
            const std::string when = std::string(names[m]) + " " + std::to_string(year);
            if (m == 0 || p.annual[m] != p.annual[m - 1])
                t += "  roční RK od " + std::string(since[m]) + " " + std::to_string(year) + ": " +
                     Kw(p.annual[m]) + "\n";
            if (p.monthly[m] > 0)
                t += "  měsíční RK " + when + ": " + Kw(p.monthly[m]) + "\n";
            if (p.over[m] > 0)
                t += "  " + when + ": překročení o " + Kw(p.over[m]) +
                     " vyjde levněji zaplatit než objednat\n";
        }
        return t + "  náklady na kapacitu " + Kc(p.cost) + " Kč\n";
    };
    text += "\nNejlevnější objednávka pro rok " + std::to_string(a.year) +
            " (roční RK lze každý měsíc zvýšit, snížit až po dvanácti měsících; měsíční RK se "
            "objednává před měsícem):\n" +
            plan(a.best, a.year);
    text += "  podle smlouvy stála kapacita " + Kc(a.contractCost) + " Kč, úspora " + Kc(a.saving) +
            " Kč\n";
    text += "\nNávrh pro rok " + std::to_string(a.year + 1) + " podle profilu roku " +
            std::to_string(a.year) + (a.nextPriced ? "" : " (bez ceníku: náklady neurčeny)") +
            ":\n" + plan(a.next, a.year + 1);
    return text;
}

Sheet BillCsvSheet(const YearBill& bill)
{
    Sheet sheet;
    sheet.name = "bill";
    std::vector<std::string> keys = {"month",    "state",         "count",
                                     "expected", "max",           "max_time",
                                     "capacity", "exceedance",    "input_exceedance",
                                     "energy",   "inductive",     "tan_phi",
                                     "cos_phi",  "surcharge_pct", "capacitive",
                                     "rk",       "prekroceni_rk", "prekroceni_prikonu",
                                     "sit"};
    const std::vector<std::string> zones = ZoneNames(bill);
    for (const std::string& z : zones) {
        keys.push_back("energy:" + z);
        keys.push_back("tarif:" + z);
    }
    for (const char* k : {"ucinik", "kapacitni", "celkem", "reason"})
        keys.push_back(k);
    for (const std::string& key : keys)
        sheet.columns.push_back({key, CellKind::Text, {}});
    for (const MonthBill& m : bill.months) {
        const auto money = [&m](double v) { return m.priced ? Cell::Of(v) : Cell::Blank(); };
        const bool values = m.active.count > 0;
        std::vector<Cell> row = {
            Cell::Of(MonthKeyOf(m)),
            Cell::Of(m.active.state == MonthState::NoFile ? "no_file"
                     : m.complete                         ? "complete"
                                                          : "incomplete"),
            Cell::Count(m.active.count),
            Cell::Count(m.active.expected),
            values ? Cell::Of(ExportValue(m.active.maximum)) : Cell::Blank(),
            Cell::Of(m.active.maximumTime),
            m.priced ? Cell::Of(m.capacity) : Cell::Blank(),
            m.priced ? Cell::Of(ExportValue(m.capacityExceedance)) : Cell::Blank(),
            m.reservedInput ? Cell::Of(ExportValue(m.inputExceedance)) : Cell::Blank(),
            Cell::Of(ExportValue(m.energy)),
            m.hasReactive ? Cell::Of(ExportValue(m.inductive)) : Cell::Blank(),
            m.hasReactive ? Cell::Of(m.tanPhi) : Cell::Blank(),
            m.hasReactive ? Cell::Of(std::round(m.cosPhi * 1000) / 1000) : Cell::Blank(),
            m.hasReactive ? Cell::Of(m.surchargePercent) : Cell::Blank(),
            Cell::Of(ExportValue(m.capacitive)),
            money(m.capacityCharge),
            money(m.capacityPenalty),
            money(m.inputPenalty),
            money(m.networkCharge)};
        for (const std::string& z : zones) {
            const ZoneEnergy* e = ZoneOf(m, z);
            row.push_back(e ? Cell::Of(ExportValue(e->energy)) : Cell::Blank());
            row.push_back(e && m.priced ? Cell::Of(e->amount) : Cell::Blank());
        }
        row.push_back(money(m.surcharge));
        row.push_back(money(m.capacitiveCharge));
        row.push_back(m.total ? Cell::Of(*m.total) : Cell::Blank());
        row.push_back(Cell::Of(Reason(m)));
        sheet.rows.push_back(std::move(row));
    }
    return sheet;
}

Sheet BillCzechSheet(const YearBill& bill, const DeviceContract& contract)
{
    // The plain table with Czech headings and units, column for column.
    Sheet sheet = BillCsvSheet(bill);
    sheet.name = "Vyúčtování";
    static const std::pair<const char*, Column> fixed[] = {
        {"month", {"Měsíc", CellKind::Text, {}}},
        {"state", {"Stav", CellKind::Text, {}}},
        {"count", {"Čtvrthodin", CellKind::Integer, {}}},
        {"expected", {"Z možných", CellKind::Integer, {}}},
        {"max", {"Maximum", CellKind::Number, "kW"}},
        {"max_time", {"Konec čtvrthodiny maxima", CellKind::Text, {}}},
        {"capacity", {"Rezervovaná kapacita", CellKind::Number, "kW"}},
        {"exceedance", {"Překročení RK", CellKind::Number, "kW"}},
        {"input_exceedance", {"Překročení příkonu", CellKind::Number, "kW"}},
        {"energy", {"Energie", CellKind::Number, "kWh"}},
        {"inductive", {"Jalová induktivní", CellKind::Number, "kvarh"}},
        {"tan_phi", {"tg φ", CellKind::Number, {}}},
        {"cos_phi", {"cos φ", CellKind::Number, {}}},
        {"surcharge_pct", {"Přirážka za účiník", CellKind::Number, "%"}},
        {"capacitive", {"Jalová kapacitní dodávka", CellKind::Number, "kvarh"}},
        {"reason", {"Proč neúplný", CellKind::Text, {}}}};
    std::vector<BillItem> labels;
    for (const MonthBill& m : bill.months)
        for (const BillItem& item : BillItems(m))
            labels.push_back(item);
    for (Column& c : sheet.columns) {
        const std::string key = c.name;
        for (const auto& [k, column] : fixed)
            if (key == k)
                c = column;
        if (key.rfind("energy:", 0) == 0)
            c = {"Energie " + key.substr(7), CellKind::Number, "kWh"};
        for (const BillItem& item : labels)
            if (item.key == key)
                c = {item.label, CellKind::Number, "Kč"};
    }
    for (auto& row : sheet.rows)
        row[1] = Cell::Of(row[1].text == "no_file"    ? "bez souboru"
                          : row[1].text == "complete" ? "úplný"
                                                      : "neúplný");
    (void)contract;
    sheet.charts.push_back({Chart::Type::Line,
                            "Čtvrthodinové maximum a rezervovaná kapacita",
                            0,
                            {4, 6},
                            "Výkon [kW]"});
    return sheet;
}

std::string BillJson(const YearBill& bill, const DeviceContract& contract)
{
    using Json = nlohmann::ordered_json;
    const auto optional = [](const std::optional<double>& v) {
        return v ? Json(*v) : Json(nullptr);
    };
    Json months = Json::array();
    for (const MonthBill& m : bill.months) {
        Json items = Json::object();
        for (const BillItem& item : BillItems(m))
            items[item.key] = optional(item.amount);
        Json zones = Json::array();
        for (const ZoneEnergy& z : m.zones)
            zones.push_back({{"name", z.name},
                             {"energy", ExportValue(z.energy)},
                             {"quarters", z.quarters},
                             {"price", z.price},
                             {"amount", z.amount}});
        Json above = Json::array();
        for (const BillQuarter& q : m.aboveCapacity)
            above.push_back({{"time", q.time}, {"power", ExportValue(q.power)}});
        Json check = Json::array();
        for (const InvoiceRow& r :
             CompareInvoice(m, contract.invoiceOf(m.year, m.month), contract.tolerancePercent))
            if (r.invoiced)
                check.push_back({{"item", r.key},
                                 {"computed", optional(r.computed)},
                                 {"invoiced", *r.invoiced},
                                 {"difference", optional(r.difference)},
                                 {"percent", optional(r.percent)},
                                 {"exceeds", r.exceeds}});
        months.push_back(
            {{"month", MonthKeyOf(m)},
             {"complete", m.complete},
             {"incomplete", m.incomplete},
             {"count", m.active.count},
             {"expected", m.active.expected},
             {"max", m.active.count ? Json{{"value", ExportValue(m.active.maximum)},
                                           {"time", m.active.maximumTime}}
                                    : Json(nullptr)},
             {"capacity", m.priced ? Json(m.capacity) : Json(nullptr)},
             {"exceedance", ExportValue(m.capacityExceedance)},
             {"quarters_above_capacity", m.quartersAboveCapacity},
             {"above_capacity", above},
             {"input_exceedance", ExportValue(m.inputExceedance)},
             {"energy", ExportValue(m.energy)},
             {"zones", zones},
             {"unzoned_energy", ExportValue(m.unzonedEnergy)},
             {"inductive", m.hasReactive ? Json(ExportValue(m.inductive)) : Json(nullptr)},
             {"tan_phi", m.hasReactive ? Json(m.tanPhi) : Json(nullptr)},
             {"surcharge_percent", m.surchargePercent},
             {"capacitive", ExportValue(m.capacitive)},
             {"items", items},
             {"invoice_check", check}});
    }
    const Json root = {{"device", bill.device},
                       {"year", bill.year},
                       {"active_block", contract.activeBlock},
                       {"reactive_block", contract.reactiveBlock},
                       {"active_name", bill.activeName},
                       {"months", months}};
    return root.dump(1, '\t', false, Json::error_handler_t::replace) + "\n";
}

Workbook BillWorkbook(const YearBill& bill, const DeviceContract& contract,
                      const std::vector<std::pair<std::string, std::string>>& parameters)
{
    Workbook book;
    book.sheets.push_back(BillCzechSheet(bill, contract));
    for (const MonthBill& m : bill.months) {
        const Invoice* invoice = contract.invoiceOf(m.year, m.month);
        if (!invoice || invoice->items.empty())
            continue;
        Sheet s;
        s.name = "Faktura " + MonthKeyOf(m);
        s.columns = {{"Položka", CellKind::Text, {}},     {"Výpočet", CellKind::Number, "Kč"},
                     {"Faktura", CellKind::Number, "Kč"}, {"Rozdíl", CellKind::Number, "Kč"},
                     {"Rozdíl", CellKind::Number, "%"},   {"Nad tolerancí", CellKind::Text, {}}};
        const auto cell = [](const std::optional<double>& v) {
            return v ? Cell::Of(*v) : Cell::Blank();
        };
        for (const InvoiceRow& r : CompareInvoice(m, invoice, contract.tolerancePercent))
            s.rows.push_back({Cell::Of(r.label), cell(r.computed), cell(r.invoiced),
                              cell(r.difference), cell(r.percent),
                              Cell::Of(r.exceeds ? "ano" : "")});
        book.sheets.push_back(std::move(s));
    }
    Sheet above;
    above.name = "Nad RK";
    above.columns = {{"Měsíc", CellKind::Text, {}},
                     {"Konec čtvrthodiny", CellKind::DateTime, {}},
                     {"Výkon", CellKind::Number, "kW"},
                     {"Rezervovaná kapacita", CellKind::Number, "kW"}};
    for (const MonthBill& m : bill.months)
        for (const BillQuarter& q : m.aboveCapacity)
            above.rows.push_back({Cell::Of(MonthKeyOf(m)), Cell::Time(q.x),
                                  Cell::Of(ExportValue(q.power)), Cell::Of(m.capacity)});
    book.sheets.push_back(std::move(above));
    for (const MonthSeries& m : bill.series)
        if (m.hasFile && !m.series.values.empty())
            book.sheets.push_back(
                SeriesSheet(m.series, "Čtvrthodiny " + MonthKey(bill.year, m.month)));
    book.sheets.push_back(ParametersSheet(parameters));
    return book;
}

ExportSource BillExportSource(const YearBill& bill, const DeviceContract& contract,
                              const std::vector<std::pair<std::string, std::string>>& parameters)
{
    ExportSource source;
    source.table = [&bill] { return BillCsvSheet(bill); };
    source.czechTable = [&bill, &contract] { return BillCzechSheet(bill, contract); };
    source.json = [&bill, &contract] { return BillJson(bill, contract); };
    source.workbook = [&bill, &contract, parameters] {
        return BillWorkbook(bill, contract, parameters);
    };
    return source;
}

} // namespace kw
