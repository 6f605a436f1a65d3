#pragma once

#include "archive/AtomicFile.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kw {

// The distribution contract and the price list of a device, as the bill
// check needs them: kept beside the month files in KWATRIX-SMLOUVA.INI, so
// that everybody who opens the folder checks against the same contract. The
// file is plain UTF-8 text a person can read and compare:
//
//   [Zarizeni 0]                      the blocks, the invoice tolerance
//   [Zarizeni 0 Smlouva 2026-01-01]   the terms in force from that day
//   [Zarizeni 0 MesicniRK]            monthly bookings, "2026-03 = 40"
//   [Zarizeni 0 Cenik 2026-01-01]     the prices in force from that day
//   [Zarizeni 0 Faktura 2026-03]      the invoiced items of a month
//
// A month is billed by the terms and the prices in force on its first day.

// The terms of the contract from a day on.
struct ContractTerms {
    std::string from;                     // "2026-01-01"
    std::optional<double> annualCapacity; // annual reserved capacity (RK), kW
    std::optional<double> reservedInput;  // "rezervovaný příkon", kW
};

// The power-factor surcharge from a tg φ on (the upper tg φ of the band
// below it is the next lower `fromTan` minus 0.001).
struct SurchargeBand {
    double fromTan = 0;
    double percent = 0;
};

// The prices from a day on, in Kč without VAT.
struct PriceList {
    std::string from;
    double annualCapacityPrice = 0;  // Kč per kW of annual RK and month
    double monthlyCapacityPrice = 0; // Kč per kW of monthly RK and month
    double networkPrice = 0;         // network use, Kč/MWh of all energy
    // Energy by tariff zone (the named output sums of the day division),
    // Kč/MWh, by the zone's name.
    std::map<std::string, double> tariffPrices;
    // The penalty rules, by default those of the distributor's price
    // decision for the year (ERÚ): 1.5 x and 4 x the monthly RK price per kW
    // of the month's highest exceedance, the neutral band up to tg φ 0.329
    // (cos φ 0.95 inductive) and the surcharge table above it.
    double capacityPenaltyFactor = 1.5;
    double inputPenaltyFactor = 4;
    double neutralTan = 0.329;
    std::vector<SurchargeBand> surcharge = DefaultSurcharge();
    double capacitivePrice = 0; // Kč per kvarh supplied to the grid

    static std::vector<SurchargeBand> DefaultSurcharge();
};

// What a month's invoice says, by item key (see BillItems); "tolerance" of
// the device says how far a difference may go before it is shown red.
struct Invoice {
    std::string month; // "2026-03"
    std::map<std::string, double> items;
};

struct DeviceContract {
    int32_t device = 0;
    // Blocks of the device's own description; 0 for none.
    int32_t activeBlock = 0;     // kW
    int32_t reactiveBlock = 0;   // kVAr inductive (consumed)
    int32_t capacitiveBlock = 0; // kVAr capacitive (supplied to the grid)
    double tolerancePercent = 1;
    std::vector<ContractTerms> terms;              // by `from`
    std::map<std::string, double> monthlyCapacity; // "2026-03" -> kW
    std::vector<PriceList> prices;                 // by `from`
    std::vector<Invoice> invoices;                 // by month

    // In force on the first day of the month; null before the first.
    const ContractTerms* termsOf(int32_t year, int32_t month) const;
    const PriceList* pricesOf(int32_t year, int32_t month) const;
    double monthlyCapacityOf(int32_t year, int32_t month) const;
    const Invoice* invoiceOf(int32_t year, int32_t month) const;
    Invoice& invoiceFor(int32_t year, int32_t month);
};

struct Contracts {
    std::vector<DeviceContract> devices; // by device
    const DeviceContract* find(int32_t device) const;
    DeviceContract& forDevice(int32_t device);
};

// "2026-03": a month the file can hold (1980..2999).
bool IsMonthKey(const std::string& text);

// The text of the file; what it reads back as the same contracts.
std::string ContractText(const Contracts& contracts);
// Reads the text; false with the line and entry that is wrong in `error`.
bool ParseContracts(const std::string& text, Contracts& out, std::string& error);

// The file beside the month files, with the safety of every save: read by
// the rules of inputs, written atomically under the folder's lock, a file
// that does not read kept aside before the first save over it, a file that
// another copy of the program changed since it was read refused.
class ContractFile {
public:
    static constexpr const char* FileName = "KWATRIX-SMLOUVA.INI";
    // A save found the file changed by another copy since it was loaded.
    static constexpr int32_t ChangedOnDisk = -7;
    static constexpr int32_t BadContent = -3;

    Contracts contracts;

    static std::string StoragePath(const std::string& programPath);
    // 0; ENOENT when there is none (the contracts are empty then); another
    // errno or BadContent with the reason in LastErrorText. A file that does
    // not load leaves the contracts empty.
    int32_t Load(const std::string& programPath);
    // 0, ChangedOnDisk, or an errno with the reason in LastErrorText.
    int32_t Save(const std::string& programPath, bool overwriteChanges = false);
    // The file as found by the last load had an error (not merely missing).
    bool damaged() const { return m_keepAside; }

    int32_t LastResult = 0;
    std::string LastErrorText;
    // Where the last save kept the damaged file; empty when it kept none.
    std::string KeptCopyPath;

private:
    DiskStamp m_stamp;
    bool m_keepAside = false;
};

} // namespace kw
