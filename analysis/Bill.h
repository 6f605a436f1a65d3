#pragma once

#include "analysis/Contract.h"
#include "analysis/YearOverview.h"
#include "export/Formats.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kw {

class DayDivision;
class QuietListing;

// The check of the monthly distribution bill ("Kontrola vyúčtování"): the
// items the distributor charges a customer on high voltage, worked out from
// the series of the calendar month of the active block and of the reactive
// blocks paired with it, against the contract and the price list.

// A tariff zone: a named output sum of the day division, whose groups say
// for each day class (0 working day, 1 day off, 2 rest day) which
// quarter-hours of the clock belong to it.
struct TariffZone {
    std::string name;
    std::array<std::bitset<96>, 3> quarters;
};
std::vector<TariffZone> TariffZones(const DayDivision& division);

// What a month's bill rests on.
struct BillInput {
    int32_t year = 0;
    int32_t month = 0;
    MonthSeries active;
    MonthSeries reactive;   // hasFile false: no reactive block in the contract
    MonthSeries capacitive; // hasFile false: none
    bool reactiveBlock = false;
    bool capacitiveBlock = false;
    // Day class of days 1..31 (index 0 unused).
    std::array<int32_t, 32> dayClass{};
};

// A quarter-hour a figure rests on: its mean power and the end of it.
struct BillQuarter {
    double power = 0; // kW
    std::string time; // "2026-03-05T10:15:00+01:00"
    double x = 0;     // days since 30.12.1899, of the end
};

struct ZoneEnergy {
    std::string name;
    double energy = 0; // kWh
    int32_t quarters = 0;
    double price = 0;  // Kč/MWh
    double amount = 0; // Kč
};

struct MonthBill {
    int32_t year = 0;
    int32_t month = 0;
    MonthOverview active;   // state, counts, energy, maximum and its time
    MonthOverview reactive; // of the inductive block
    bool complete = false;
    std::vector<std::string> incomplete; // why not, in Czech
    bool priced = false;                 // a price list and terms were in force
    std::string from;                    // of the price list applied

    // Capacity: the booked RK is the annual plus the monthly booking.
    double annualCapacity = 0, monthlyCapacity = 0, capacity = 0;
    double capacityCharge = 0;
    double capacityExceedance = 0; // kW of the highest quarter-hour above RK
    double capacityPenalty = 0;
    std::optional<double> reservedInput;
    double inputExceedance = 0;
    double inputPenalty = 0;
    // The quarter-hours above the booked RK, highest first (at most 20).
    std::vector<BillQuarter> aboveCapacity;
    int32_t quartersAboveCapacity = 0;

    // Energy.
    double energy = 0; // kWh, the listing's "Celkem"
    std::vector<ZoneEnergy> zones;
    double unzonedEnergy = 0; // in no priced zone
    int32_t unzonedQuarters = 0;
    double networkCharge = 0;

    // Power factor.
    bool hasReactive = false;
    double inductive = 0; // kvarh
    int32_t inductiveQuarters = 0;
    double tanPhi = 0; // rounded down to three decimals
    double cosPhi = 1;
    double surchargePercent = 0;
    double surcharge = 0;  // of the capacity and network charges
    double capacitive = 0; // kvarh supplied
    int32_t capacitiveQuarters = 0;
    double capacitiveCharge = 0;

    // Only a complete, priced month has a total.
    std::optional<double> total;
};

// The month's bill by the contract; `zones` from TariffZones.
MonthBill ComputeMonthBill(const BillInput& input, const DeviceContract& contract,
                           const std::vector<TariffZone>& zones);

// The entry of the contract a bill of `year` (or of its month `month`, 0:
// every month) cannot be worked out without, named as the file names it;
// empty when there is none.
std::string ContractProblem(const DeviceContract* contract, int32_t device, int32_t year,
                            int32_t month);

// An item of the bill, in the order of the invoice.
struct BillItem {
    std::string key;   // "rk", "prekroceni_rk", "tarif:VT", ..., "celkem"
    std::string label; // Czech
    std::optional<double> amount;
};
std::vector<BillItem> BillItems(const MonthBill& bill);

// Computation against invoice, item by item.
struct InvoiceRow {
    std::string key, label;
    std::optional<double> computed, invoiced;
    std::optional<double> difference, percent; // invoiced - computed
    bool exceeds = false;                      // beyond the tolerance
};
std::vector<InvoiceRow> CompareInvoice(const MonthBill& bill, const Invoice* invoice,
                                       double tolerancePercent);
// Invoices from CSV, a row per month: "month;rk;prekroceni_rk;..." with the
// item keys as headings (comma or semicolon, decimal comma or point).
bool ParseInvoiceCsv(const std::string& text, std::vector<Invoice>& out, std::string& error);

// The bills of the months of a year (month 0) or of one month, read on
// `quiet` for `contract`.
struct YearBill {
    int32_t device = 0;
    int32_t year = 0;
    std::string activeName, reactiveName;
    std::vector<MonthBill> months;
    std::vector<MonthSeries> series; // the active block's, for the workbook
};
YearBill ListBills(QuietListing& quiet, const DeviceContract& contract, const DayDivision& division,
                   int32_t year, int32_t month);
// "2026-03: <why>" for each month with a file that is not complete.
std::vector<std::string> BillFailures(const YearBill& bill);

// The advice on the reserved capacity from a year's monthly maxima.
struct CapacityPlan {
    std::array<double, 12> annual{};  // kW of annual RK in each month (never falling)
    std::array<double, 12> monthly{}; // kW booked before each month
    std::array<double, 12> over{};    // kW of exceedance paid as a penalty instead
    double cost = 0;                  // RK charges and penalties, Kč
};
struct CapacityAdvice {
    int32_t year = 0;
    bool complete = false;            // every month's maximum known
    std::vector<BillQuarter> highest; // the ten highest quarter-hours
    std::array<double, 12> maxima{};  // kW, 0 for a month without values
    CapacityPlan best;                // cheapest under the booking rules
    double contractCost = 0;          // what the contract's RK cost
    double saving = 0;                // contract - best
    // The coming year booked from this year's profile, at its prices (or
    // this year's when it has none).
    CapacityPlan next;
    bool nextPriced = false;
};
// `prices` per month (null: unpriced); annual RK can rise each month but
// not fall within the year, a monthly RK is booked for its month.
CapacityPlan BestCapacityPlan(const std::array<double, 12>& maxima,
                              const std::array<const PriceList*, 12>& prices);
CapacityAdvice AdviseCapacity(const YearBill& bill, const DeviceContract& contract);

// Texts and exports.
std::string BillText(const YearBill& bill, const DeviceContract& contract);
std::string AdviceText(const CapacityAdvice& advice);
Sheet BillCsvSheet(const YearBill& bill);
Sheet BillCzechSheet(const YearBill& bill, const DeviceContract& contract);
std::string BillJson(const YearBill& bill, const DeviceContract& contract);
// The bill, the invoice check of each month with an invoice, the
// quarter-hours above RK, the values of each month and "Parametry".
Workbook BillWorkbook(const YearBill& bill, const DeviceContract& contract,
                      const std::vector<std::pair<std::string, std::string>>& parameters);
ExportSource BillExportSource(const YearBill& bill, const DeviceContract& contract,
                              const std::vector<std::pair<std::string, std::string>>& parameters);

} // namespace kw
