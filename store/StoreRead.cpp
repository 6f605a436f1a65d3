#include "store/StoreRead.h"

#include "analysis/Contract.h"
#include "archive/Codepage.h"
#include "archive/DateTime.h"
#include "graph/SeriesExport.h"
#include "store/Backends.h"
#include "store/StoreDb.h"
#include "store/StoreTime.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <limits>
#include <map>
#include <memory>
#include <thread>

namespace kw {

namespace {

int32_t IntOf(const StoreField& f)
{
    return std::atoi(f.text.c_str());
}

SeriesKind KindOf(const std::string& name)
{
    if (name == "mean_power")
        return SeriesKind::MeanPower;
    if (name == "impulses")
        return SeriesKind::Impulses;
    return SeriesKind::Energy;
}

ClockRule ClockOfSite(StoreDb& db, int64_t site)
{
    const StoreRows r =
        db.Query("SELECT clock FROM kw_sites WHERE id = $1", {std::to_string(site)});
    return !r.empty() && r[0][0].text == "summer" ? ClockRule::SummerTime : ClockRule::StandardTime;
}

} // namespace

std::vector<StoreSite> StoreSites(StoreDb& db)
{
    CheckStoreSchema(db);
    std::vector<StoreSite> sites;
    for (const auto& row : db.Query("SELECT id, name, folder FROM kw_sites ORDER BY name", {}))
        sites.push_back({std::atoll(row[0].text.c_str()), row[1].text, row[2].text});
    return sites;
}

StoreSite FindStoreSite(StoreDb& db, const std::string& name, const std::string& folder)
{
    const std::vector<StoreSite> sites = StoreSites(db);
    for (const StoreSite& s : sites)
        if (name.empty() ? s.folder == folder : s.name == name)
            return s;
    if (name.empty() && sites.size() == 1)
        return sites.front();
    std::string known;
    for (const StoreSite& s : sites)
        known += (known.empty() ? "" : ", ") + s.name;
    const std::string what = sites.empty() ? std::string("neobsahuje žádnou lokalitu")
                             : name.empty()
                                 ? "obsahuje více lokalit, vyberte jednu (--site): " + known
                                 : "nemá lokalitu „" + name + "“ (má: " + known + ")";
    throw StoreError(StoreMessage(db.name(), what));
}

std::vector<StoreChannel> StoreChannels(StoreDb& db, int64_t site)
{
    std::vector<StoreChannel> channels;
    for (const auto& row :
         db.Query("SELECT id, device, block, block_name, unit, CASE WHEN listed THEN 1 ELSE 0 "
                  "END, kind FROM kw_channels WHERE site_id = $1 ORDER BY device, block",
                  {std::to_string(site)})) {
        StoreChannel c;
        c.id = std::atoll(row[0].text.c_str());
        c.site = site;
        c.device = IntOf(row[1]);
        c.block = {IntOf(row[2]), row[3].text, row[4].text, row[5].text == "1"};
        c.kind = KindOf(row[6].text);
        channels.push_back(c);
    }
    return channels;
}

const StoreChannel* ChooseChannel(const std::vector<StoreChannel>& channels, int32_t device,
                                  int32_t block)
{
    for (const StoreChannel& c : channels)
        if (c.device == device && (block ? c.block.number == block : c.block.listed))
            return &c;
    return nullptr;
}

std::vector<int32_t> StoreDevices(const std::vector<StoreChannel>& channels)
{
    std::vector<int32_t> devices;
    for (const StoreChannel& c : channels)
        if (devices.empty() || devices.back() != c.device)
            devices.push_back(c.device);
    return devices;
}

std::vector<MonthSeries> StoreYear(StoreDb& db, const StoreChannel& channel, int32_t year)
{
    const ClockRule clock = ClockOfSite(db, channel.site);
    std::map<int64_t, int32_t> monthOf; // file id -> month
    std::vector<MonthSeries> months(12);
    for (int32_t month = 1; month <= 12; ++month) {
        months[static_cast<std::size_t>(month - 1)].month = month;
        months[static_cast<std::size_t>(month - 1)].series.clock = clock;
    }
    for (const auto& row : db.Query("SELECT month, id FROM kw_files WHERE site_id = $1 AND device "
                                    "= $2 AND year = $3",
                                    {std::to_string(channel.site), std::to_string(channel.device),
                                     std::to_string(year)})) {
        const int32_t month = IntOf(row[0]);
        if (month < 1 || month > 12)
            continue;
        monthOf[std::atoll(row[1].text.c_str())] = month;
        MonthSeries& m = months[static_cast<std::size_t>(month - 1)];
        m.hasFile = true;
        // A month the block could not be chosen in has an empty series, as
        // its listing gave; one with days has them below.
        m.series = Series();
    }
    const std::string channelId = std::to_string(channel.id);
    const auto seriesOf = [&](int64_t file) -> Series* {
        const auto it = monthOf.find(file);
        return it == monthOf.end() ? nullptr
                                   : &months[static_cast<std::size_t>(it->second - 1)].series;
    };
    for (const auto& row :
         db.Query("SELECT file_id, day, state, result, present, expected FROM kw_channel_days "
                  "WHERE channel_id = $1 AND day >= $2 AND day <= $3 ORDER BY day",
                  {channelId, IsoDate(DaysFromCivil(year, 1, 1)),
                   IsoDate(DaysFromCivil(year, 12, 31))})) {
        Series* s = seriesOf(std::atoll(row[0].text.c_str()));
        if (!s)
            continue;
        if (s->days.empty()) {
            s->device = channel.device;
            s->block = channel.block;
            s->kind = channel.kind;
            s->clock = clock;
        }
        SeriesDay d;
        std::sscanf(row[1].text.c_str(), "%d-%d-%d", &d.year, &d.month, &d.dayOfMonth);
        d.day = DaysFromCivil(d.year, d.month, d.dayOfMonth);
        d.state = static_cast<DayState>(IntOf(row[2]));
        d.result = IntOf(row[3]);
        d.present = IntOf(row[4]);
        d.expected = IntOf(row[5]);
        s->days.push_back(d);
    }
    const MonthRange first = UtcRangeOfMonth(year, 1), last = UtcRangeOfMonth(year, 12);
    for (const StoredReading& r : db.ReadingsOf(channel.id, first.from, last.to)) {
        Series* s = seriesOf(r.file);
        if (s && !s->days.empty())
            s->values.push_back(ValueAt(r.localStamp, r.stored, r.shown, r.quality == 1));
    }
    return months;
}

namespace {

// The twelve months of one site.
std::vector<SiteMonth> SiteYear(StoreDb& db, const StoreSite& site, int32_t year,
                                std::optional<int32_t> device)
{
    std::vector<SiteMonth> rows;
    const std::vector<StoreChannel> channels = StoreChannels(db, site.id);
    const std::vector<int32_t> devices = StoreDevices(channels);
    if (devices.empty())
        return rows;
    const int32_t d = device ? *device : devices.front();
    Contracts contracts;
    const DeviceContract* contract = nullptr;
    const StoreRows text =
        db.Query("SELECT text FROM kw_contracts WHERE site_id = $1", {std::to_string(site.id)});
    std::string error;
    if (!text.empty() && ParseContracts(text[0][0].text, contracts, error))
        contract = contracts.find(d);
    const StoreChannel* channel = nullptr;
    if (contract && contract->activeBlock > 0)
        channel = ChooseChannel(channels, d, contract->activeBlock);
    if (!channel) {
        contract = nullptr;
        channel = ChooseChannel(channels, d, 0);
    }
    if (!channel)
        return rows;
    for (const MonthSeries& m : StoreYear(db, *channel, year)) {
        SiteMonth row;
        row.site = site.name;
        row.device = d;
        row.block = channel->block.name;
        if (contract)
            if (const ContractTerms* terms = contract->termsOf(year, m.month))
                row.capacity = terms->annualCapacity;
        row.month = SummariseMonth(year, m, row.capacity);
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace

std::vector<SiteMonth> SitesYear(StoreDb& db, int32_t year, std::optional<int32_t> device)
{
    const std::vector<StoreSite> sites = StoreSites(db);
    std::vector<std::vector<SiteMonth>> bySite(sites.size());
    // A server reads the rows of half the sites on a second connection, on
    // its second core.
    std::unique_ptr<StoreDb> second = sites.size() > 1 ? db.OpenAnother() : nullptr;
    std::exception_ptr failure;
    std::thread helper;
    if (second)
        helper = std::thread([&] {
            try {
                for (std::size_t i = 1; i < sites.size(); i += 2)
                    bySite[i] = SiteYear(*second, sites[i], year, device);
            } catch (...) {
                failure = std::current_exception();
            }
        });
    try {
        for (std::size_t i = 0; i < sites.size(); i += second ? 2 : 1)
            bySite[i] = SiteYear(db, sites[i], year, device);
    } catch (...) {
        if (helper.joinable())
            helper.join();
        throw;
    }
    if (helper.joinable())
        helper.join();
    if (failure)
        std::rethrow_exception(failure);
    std::vector<SiteMonth> rows;
    for (auto& site : bySite)
        for (SiteMonth& row : site)
            rows.push_back(std::move(row));
    return rows;
}

namespace {

std::vector<std::vector<std::string>> SiteCells(const std::vector<SiteMonth>& rows, int32_t year,
                                                char point)
{
    std::vector<std::vector<std::string>> cells;
    for (const SiteMonth& r : rows) {
        if (!r.month.count && r.month.state == MonthState::NoFile)
            continue;
        cells.push_back({r.site, std::to_string(r.device), r.block, MonthKey(year, r.month.month),
                         ExportNumber(r.month.energy, point), ExportNumber(r.month.maximum, point),
                         r.month.maximumTime,
                         r.capacity ? ExportNumber(*r.capacity, point) : std::string(),
                         r.capacity ? std::to_string(r.month.overCapacity) : std::string()});
    }
    return cells;
}

std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string out = "\"";
    for (const char c : text)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

} // namespace

std::string SitesYearText(const std::vector<SiteMonth>& rows, int32_t year)
{
    const std::vector<std::string> headings = {
        "site",    "device",          "block",    "month",        "energy",
        "maximum", "time of maximum", "capacity", "over capacity"};
    const auto cells = SiteCells(rows, year, '.');
    std::vector<std::size_t> widths;
    for (const std::string& h : headings)
        widths.push_back(Utf8Length(h));
    for (const auto& row : cells)
        for (std::size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], Utf8Length(row[i]));
    const auto line = [&](const std::vector<std::string>& c) {
        std::string out;
        for (std::size_t i = 0; i < c.size(); ++i) {
            const std::string pad(widths[i] - Utf8Length(c[i]), ' ');
            const bool left = i == 0 || i == 2 || i == 3 || i == 6;
            out += (i ? "  " : "") + (left ? c[i] + pad : pad + c[i]);
        }
        while (!out.empty() && out.back() == ' ')
            out.pop_back();
        return out + "\n";
    };
    std::string text = "sites " + std::to_string(year) + "\n" + line(headings);
    for (const auto& row : cells)
        text += line(row);
    if (cells.empty())
        text += "no site has data of the year\n";
    return text;
}

std::string SitesYearCsv(const std::vector<SiteMonth>& rows, int32_t year)
{
    std::string csv = "site,device,block,month,energy,max,max_time,capacity,over_capacity\r\n";
    for (const auto& row : SiteCells(rows, year, '.')) {
        for (std::size_t i = 0; i < row.size(); ++i)
            csv += (i ? "," : "") + CsvField(row[i]);
        csv += "\r\n";
    }
    return csv;
}

} // namespace kw
