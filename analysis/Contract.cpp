#include "analysis/Contract.h"

#include "archive/AtomicFile.h"
#include "archive/Codepage.h"
#include "archive/DateTime.h"
#include "archive/FileLookup.h"
#include "archive/NumberFormat.h"
#include "calendar/Calendar.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>

namespace kw {

namespace {

// The shortest text that reads back as the same double.
std::string Number(double value)
{
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, r.ptr);
}

bool ParseNumber(std::string text, double& value)
{
    // A person editing the file may well write a decimal comma.
    std::replace(text.begin(), text.end(), ',', '.');
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, value);
    return !text.empty() && r.ec == std::errc() && r.ptr == end && std::isfinite(value) &&
           value >= 0;
}

bool ParseInteger(const std::string& text, int32_t& value)
{
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, value);
    return !text.empty() && r.ec == std::errc() && r.ptr == end;
}

// "2026-03-01" (day) or "2026-03" (month), checked against the calendar.
bool IsDate(const std::string& text, bool withDay)
{
    if (text.size() != (withDay ? 10u : 7u) || text[4] != '-' || (withDay && text[7] != '-'))
        return false;
    int32_t year = 0, month = 0, day = 1;
    if (!ParseInteger(text.substr(0, 4), year) || !ParseInteger(text.substr(5, 2), month) ||
        (withDay && !ParseInteger(text.substr(8, 2), day)))
        return false;
    return year >= 1980 && year <= 2999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= DaysInMonth(year, month);
}

std::string MonthText(int32_t year, int32_t month)
{
    return FormatInt(year, 4) + "-" + FormatInt(month, 2);
}

template <typename T> const T* InForce(const std::vector<T>& entries, int32_t year, int32_t month)
{
    // Dates of one format compare as texts; the entries are kept in order.
    const std::string first = MonthText(year, month) + "-01";
    const T* found = nullptr;
    for (const T& e : entries)
        if (e.from <= first)
            found = &e;
    return found;
}

const char* const kDevice = "Zarizeni";

} // namespace

std::vector<SurchargeBand> PriceList::DefaultSurcharge()
{
    // Bands of about 0.017 in tg φ (0.005 in cos φ) below cos φ 0.95, as the
    // price decision tabulates them; the user checks them against the decision
    // of the year in "Smlouva a ceník".
    return {{0.330, 1.12},  {0.347, 2.26},  {0.364, 3.43},  {0.381, 4.63},  {0.398, 5.86},
            {0.416, 7.12},  {0.434, 8.41},  {0.452, 9.73},  {0.471, 11.08}, {0.490, 12.47},
            {0.509, 13.89}, {0.529, 15.35}, {0.549, 16.84}, {0.570, 18.37}, {0.591, 19.94},
            {0.612, 21.55}, {0.634, 23.20}, {0.657, 24.90}, {0.680, 26.64}, {0.703, 28.43},
            {0.727, 30.27}, {0.751, 32.15}, {0.776, 34.09}, {0.802, 36.08}, {0.829, 38.13},
            {0.855, 40.23}, {0.883, 42.39}, {0.911, 44.62}, {0.941, 46.91}, {0.970, 49.26},
            {1.001, 51.68}, {1.032, 54.17}, {1.063, 56.73}, {1.096, 59.36}, {1.130, 62.08},
            {1.164, 64.87}, {1.199, 67.75}, {1.235, 70.71}, {1.271, 73.76}};
}

const ContractTerms* DeviceContract::termsOf(int32_t year, int32_t month) const
{
    return InForce(terms, year, month);
}

const PriceList* DeviceContract::pricesOf(int32_t year, int32_t month) const
{
    return InForce(prices, year, month);
}

double DeviceContract::monthlyCapacityOf(int32_t year, int32_t month) const
{
    const auto it = monthlyCapacity.find(MonthText(year, month));
    return it == monthlyCapacity.end() ? 0 : it->second;
}

const Invoice* DeviceContract::invoiceOf(int32_t year, int32_t month) const
{
    const std::string key = MonthText(year, month);
    for (const Invoice& i : invoices)
        if (i.month == key)
            return &i;
    return nullptr;
}

Invoice& DeviceContract::invoiceFor(int32_t year, int32_t month)
{
    const std::string key = MonthText(year, month);
    auto it = std::lower_bound(invoices.begin(), invoices.end(), key,
                               [](const Invoice& i, const std::string& k) { return i.month < k; });
    if (it == invoices.end() || it->month != key)
        it = invoices.insert(it, Invoice{key, {}});
    return *it;
}

bool IsMonthKey(const std::string& text)
{
    return IsDate(text, false);
}

const DeviceContract* Contracts::find(int32_t device) const
{
    for (const DeviceContract& d : devices)
        if (d.device == device)
            return &d;
    return nullptr;
}

DeviceContract& Contracts::forDevice(int32_t device)
{
    auto it = std::lower_bound(devices.begin(), devices.end(), device,
                               [](const DeviceContract& d, int32_t n) { return d.device < n; });
    if (it == devices.end() || it->device != device) {
        it = devices.insert(it, DeviceContract{});
        it->device = device;
    }
    return *it;
}

std::string ContractText(const Contracts& contracts)
{
    std::string out = "; Kwatrix: smlouva o distribuci a ceník zařízení tohoto archivu.\r\n"
                      "; Data RRRR-MM-DD, měsíce RRRR-MM, čísla s desetinnou tečkou, bez DPH.\r\n";
    const auto line = [&out](const std::string& key, const std::string& value) {
        out += key + " = " + value + "\r\n";
    };
    for (const DeviceContract& d : contracts.devices) {
        const std::string device = std::string(kDevice) + " " + std::to_string(d.device);
        out += "\r\n[" + device + "]\r\n";
        line("CinnyBlok", std::to_string(d.activeBlock));
        line("JalovyBlok", std::to_string(d.reactiveBlock));
        line("KapacitniBlok", std::to_string(d.capacitiveBlock));
        line("Tolerance", Number(d.tolerancePercent));
        for (const ContractTerms& t : d.terms) {
            out += "\r\n[" + device + " Smlouva " + t.from + "]\r\n";
            if (t.annualCapacity)
                line("RocniRK", Number(*t.annualCapacity));
            if (t.reservedInput)
                line("RezervovanyPrikon", Number(*t.reservedInput));
        }
        if (!d.monthlyCapacity.empty()) {
            out += "\r\n[" + device + " MesicniRK]\r\n";
            for (const auto& [month, kw] : d.monthlyCapacity)
                line(month, Number(kw));
        }
        for (const PriceList& p : d.prices) {
            out += "\r\n[" + device + " Cenik " + p.from + "]\r\n";
            line("CenaRocniRK", Number(p.annualCapacityPrice));
            line("CenaMesicniRK", Number(p.monthlyCapacityPrice));
            line("CenaSite", Number(p.networkPrice));
            line("NasobekPrekroceniRK", Number(p.capacityPenaltyFactor));
            line("NasobekPrekroceniPrikonu", Number(p.inputPenaltyFactor));
            line("NeutralniTgFi", Number(p.neutralTan));
            line("CenaKapacitniJalove", Number(p.capacitivePrice));
            for (const auto& [zone, price] : p.tariffPrices)
                line("Tarif " + zone, Number(price));
            for (const SurchargeBand& b : p.surcharge)
                line("Prirazka " + Number(b.fromTan), Number(b.percent));
        }
        for (const Invoice& i : d.invoices) {
            if (i.items.empty())
                continue;
            out += "\r\n[" + device + " Faktura " + i.month + "]\r\n";
            for (const auto& [key, amount] : i.items)
                line(key, Number(amount));
        }
    }
    return out;
}

bool ParseContracts(const std::string& text, Contracts& out, std::string& error)
{
    Contracts parsed;
    enum class Kind { None, Device, Terms, Monthly, Prices, Invoice } kind = Kind::None;
    DeviceContract* device = nullptr;
    std::string section;
    std::vector<std::string> seen; // keys of the section, to refuse a repeated one
    std::size_t lineNo = 0, begin = 0;
    const auto fail = [&](const std::string& why) {
        error = "řádek " + std::to_string(lineNo) + (section.empty() ? "" : " [" + section + "]") +
                ": " + why;
        return false;
    };
    std::string body = text;
    if (body.rfind("\xEF\xBB\xBF", 0) == 0)
        body.erase(0, 3);
    while (begin <= body.size()) {
        const auto end = std::min(body.find('\n', begin), body.size());
        const std::string line = TrimBlanks(body.substr(begin, end - begin));
        begin = end + 1;
        ++lineNo;
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line.front() == '[') {
            if (line.back() != ']')
                return fail("hlavička oddílu nekončí „]“");
            section = TrimBlanks(line.substr(1, line.size() - 2));
            seen.clear();
            // "Zarizeni N", then what the section holds.
            const auto first = section.find(' ');
            const std::string head = section.substr(0, first);
            const std::string rest =
                first == std::string::npos ? "" : TrimBlanks(section.substr(first));
            const auto second = rest.find(' ');
            int32_t number = -1;
            if (head != kDevice || !ParseInteger(rest.substr(0, second), number) || number < 0 ||
                number > 255)
                return fail("neznámý oddíl (čekal se „Zarizeni N …“)");
            const std::string what =
                second == std::string::npos ? "" : TrimBlanks(rest.substr(second));
            const auto space = what.find(' ');
            const std::string word = what.substr(0, space);
            const std::string date =
                space == std::string::npos ? "" : TrimBlanks(what.substr(space));
            device = &parsed.forDevice(number);
            if (word.empty()) {
                kind = Kind::Device;
            } else if (word == "Smlouva" || word == "Cenik") {
                if (!IsDate(date, true))
                    return fail("„" + date + "“ není datum RRRR-MM-DD");
                const bool terms = word == "Smlouva";
                const bool repeated =
                    terms ? std::any_of(device->terms.begin(), device->terms.end(),
                                        [&](const ContractTerms& t) { return t.from == date; })
                          : std::any_of(device->prices.begin(), device->prices.end(),
                                        [&](const PriceList& p) { return p.from == date; });
                if (repeated)
                    return fail("oddíl je v souboru dvakrát");
                if (terms) {
                    kind = Kind::Terms;
                    device->terms.push_back(ContractTerms{date, {}, {}});
                } else {
                    kind = Kind::Prices;
                    device->prices.emplace_back();
                    device->prices.back().from = date;
                }
            } else if (word == "MesicniRK" && date.empty()) {
                kind = Kind::Monthly;
            } else if (word == "Faktura" && IsDate(date, false)) {
                if (device->invoiceOf(std::stoi(date.substr(0, 4)), std::stoi(date.substr(5))))
                    return fail("oddíl je v souboru dvakrát");
                kind = Kind::Invoice;
                device->invoices.push_back(Invoice{date, {}});
            } else {
                return fail("neznámý oddíl");
            }
            continue;
        }
        // Values never hold "=", names of tariff zones may.
        const auto eq = line.rfind('=');
        if (eq == std::string::npos)
            return fail("řádek není ani oddíl, ani „klíč = hodnota“");
        const std::string key = TrimBlanks(line.substr(0, eq));
        const std::string value = TrimBlanks(line.substr(eq + 1));
        if (key.empty())
            return fail("chybí klíč");
        if (std::find(seen.begin(), seen.end(), key) != seen.end())
            return fail("klíč „" + key + "“ je v oddílu dvakrát");
        seen.push_back(key);
        if (kind == Kind::None)
            return fail("hodnota před prvním oddílem");
        const auto number = [&](double& into) {
            if (!ParseNumber(value, into)) {
                fail(key + ": „" + value + "“ není nezáporné číslo");
                return false;
            }
            return true;
        };
        double v = 0;
        switch (kind) {
        case Kind::None:
            break;
        case Kind::Device: {
            int32_t block = 0;
            if (key == "Tolerance") {
                if (!number(device->tolerancePercent))
                    return false;
                break;
            }
            int32_t* into = key == "CinnyBlok"       ? &device->activeBlock
                            : key == "JalovyBlok"    ? &device->reactiveBlock
                            : key == "KapacitniBlok" ? &device->capacitiveBlock
                                                     : nullptr;
            if (!into)
                return fail("neznámý klíč „" + key + "“");
            if (!ParseInteger(value, block) || block < 0 || block > 255)
                return fail(key + ": „" + value + "“ není číslo bloku");
            *into = block;
            break;
        }
        case Kind::Terms: {
            ContractTerms& t = device->terms.back();
            if (key != "RocniRK" && key != "RezervovanyPrikon")
                return fail("neznámý klíč „" + key + "“");
            if (!number(v))
                return false;
            (key == "RocniRK" ? t.annualCapacity : t.reservedInput) = v;
            break;
        }
        case Kind::Monthly:
            if (!IsDate(key, false))
                return fail("„" + key + "“ není měsíc RRRR-MM");
            if (!number(v))
                return false;
            device->monthlyCapacity[key] = v;
            break;
        case Kind::Prices: {
            PriceList& p = device->prices.back();
            if (key.rfind("Tarif ", 0) == 0) {
                if (!number(v))
                    return false;
                p.tariffPrices[TrimBlanks(key.substr(6))] = v;
                break;
            }
            if (key.rfind("Prirazka ", 0) == 0) {
                double from = 0;
                if (!ParseNumber(TrimBlanks(key.substr(9)), from))
                    return fail("„" + key + "“: za „Prirazka“ má být tg φ");
                if (!number(v))
                    return false;
                // The bands written replace the default table; without any
                // the price list has the defaults.
                if (std::none_of(seen.begin(), seen.end() - 1,
                                 [](const std::string& k) { return k.rfind("Prirazka ", 0) == 0; }))
                    p.surcharge.clear();
                if (!p.surcharge.empty() && from <= p.surcharge.back().fromTan)
                    return fail("pásma přirážky mají jít po sobě vzestupně");
                p.surcharge.push_back({from, v});
                break;
            }
            double* into = key == "CenaRocniRK"                ? &p.annualCapacityPrice
                           : key == "CenaMesicniRK"            ? &p.monthlyCapacityPrice
                           : key == "CenaSite"                 ? &p.networkPrice
                           : key == "NasobekPrekroceniRK"      ? &p.capacityPenaltyFactor
                           : key == "NasobekPrekroceniPrikonu" ? &p.inputPenaltyFactor
                           : key == "NeutralniTgFi"            ? &p.neutralTan
                           : key == "CenaKapacitniJalove"      ? &p.capacitivePrice
                                                               : nullptr;
            if (!into)
                return fail("neznámý klíč „" + key + "“");
            if (!number(*into))
                return false;
            break;
        }
        case Kind::Invoice:
            if (!number(v))
                return false;
            device->invoices.back().items[key] = v;
            break;
        }
    }
    for (DeviceContract& d : parsed.devices) {
        const auto byFrom = [](const auto& a, const auto& b) { return a.from < b.from; };
        std::sort(d.terms.begin(), d.terms.end(), byFrom);
        std::sort(d.prices.begin(), d.prices.end(), byFrom);
        std::sort(d.invoices.begin(), d.invoices.end(),
                  [](const Invoice& a, const Invoice& b) { return a.month < b.month; });
    }
    out = std::move(parsed);
    return true;
}

std::string ContractFile::StoragePath(const std::string& programPath)
{
    return ResolveFile(programPath, FileName);
}

int32_t ContractFile::Load(const std::string& programPath)
{
    const std::string path = StoragePath(programPath);
    contracts = Contracts();
    LastErrorText.clear();
    m_stamp = StampOfFile(path);
    m_keepAside = false;
    std::string bytes;
    if (!ReadInputFile(path, MaxIniFileBytes, bytes)) {
        LastResult = errno != 0 ? errno : EIO;
        // There but unreadable is no empty contract: it must not be written over.
        m_keepAside = LastResult != ENOENT;
        if (LastResult != ENOENT)
            LastErrorText = ReadFailureText(path, SystemErrorText(LastResult));
        return LastResult;
    }
    std::string error;
    if (!ParseContracts(bytes, contracts, error)) {
        m_keepAside = true;
        LastErrorText = "Soubor " + path + " je poškozen, " + error;
        return LastResult = BadContent;
    }
    return LastResult = 0;
}

int32_t ContractFile::Save(const std::string& programPath, bool overwriteChanges)
{
    KeptCopyPath.clear();
    LastErrorText.clear();
    const std::string path = StoragePath(programPath);
    const FileLock lock(path);
    if (!lock.locked()) {
        LastErrorText = SaveFailureText(path, lock.error());
        return LastResult = EAGAIN;
    }
    const DiskStamp now = StampOfFile(path);
    if (now != m_stamp && now.exists && !overwriteChanges)
        return LastResult = ChangedOnDisk;
    if (m_keepAside && now.exists) {
        std::string kept, reason;
        if (!KeepDamagedFile(path, "KWATRIX-SMLOUVA", "INI", kept, reason)) {
            LastErrorText = SaveFailureText(path, reason);
            return LastResult = errno != 0 ? errno : EEXIST;
        }
        KeptCopyPath = kept;
    }
    std::string reason;
    if (!WriteFileAtomically(path, ContractText(contracts), &reason)) {
        const int err = errno != 0 ? errno : EIO;
        LastErrorText = SaveFailureText(path, reason);
        return LastResult = err;
    }
    m_stamp = StampOfFile(path);
    m_keepAside = false;
    return LastResult = 0;
}

} // namespace kw
