#pragma once

#include "analysis/YearOverview.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kw {

class StoreDb;

// What a store holds, read back as the archive folder gives it: the series
// of the calendar months, so that the year overview of a site is worked out
// from the store exactly as from its folder.

struct StoreSite {
    int64_t id = 0;
    std::string name;
    std::string folder; // ends in '/'
};
std::vector<StoreSite> StoreSites(StoreDb& db);
// The site named `name`; with no name, the only site, or the one synced
// from `folder`. Throws StoreError (in Czech) when there is none such.
StoreSite FindStoreSite(StoreDb& db, const std::string& name, const std::string& folder);

struct StoreChannel {
    int64_t id = 0;
    int64_t site = 0;
    int32_t device = 0;
    SeriesBlock block; // number and name in the device's own description
    SeriesKind kind = SeriesKind::Energy;
};
// The channels of a site, by device and block number.
std::vector<StoreChannel> StoreChannels(StoreDb& db, int64_t site);
// The channel a year overview of the device takes: block `block`, or with 0
// the first listed block, as the listing starts with. Null when none.
const StoreChannel* ChooseChannel(const std::vector<StoreChannel>& channels, int32_t device,
                                  int32_t block);
// The devices of a site, ascending.
std::vector<int32_t> StoreDevices(const std::vector<StoreChannel>& channels);

// The twelve calendar months of `year` of a channel, as ListYear reads them
// from the folder: a month with a file synced (also one since gone from the
// folder) has its series.
std::vector<MonthSeries> StoreYear(StoreDb& db, const StoreChannel& channel, int32_t year);

// A row of the cross-site overview: a site's month.
struct SiteMonth {
    std::string site;
    int32_t device = 0;
    std::string block;
    MonthOverview month;
    std::optional<double> capacity; // the contract's annual RK of the month
};
// Every site's year: the device given (or each site's first), the contract's
// active block with its annual reserved capacity when the site's contract
// has one, else the first listed block without capacity.
std::vector<SiteMonth> SitesYear(StoreDb& db, int32_t year, std::optional<int32_t> device);
// A table for the terminal: a row a site and month with data.
std::string SitesYearText(const std::vector<SiteMonth>& rows, int32_t year);
// The same as CSV ("site,device,block,month,energy,max,max_time,capacity,
// over_capacity"), in the conventions of the series CSV.
std::string SitesYearCsv(const std::vector<SiteMonth>& rows, int32_t year);

} // namespace kw
