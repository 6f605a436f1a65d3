#include "store/Sync.h"

#include "analysis/Contract.h"
#include "analysis/QuietListing.h"
#include "archive/ArchiveDescription.h"
#include "archive/AtomicFile.h"
#include "archive/DateTime.h"
#include "archive/FileLookup.h"
#include "archive/Ini.h"
#include "archive/MonthFile.h"
#include "store/Backends.h"
#include "store/StoreDb.h"
#include "store/StoreTime.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

#include <sys/stat.h>

namespace kw {

namespace {

struct MonthFileName {
    std::string name; // as in the folder
    int32_t device = 0, year = 0, month = 0;
};

// "EA_24_03.DAT" of device 0, any case: the month files of the folder.
std::vector<MonthFileName> MonthFilesOf(const std::string& programPath)
{
    std::vector<MonthFileName> files;
    const DirectoryListing dir(programPath);
    for (const std::string& name : dir.names()) {
        if (name.size() != 12 || std::toupper(static_cast<unsigned char>(name[0])) != 'E' ||
            name[2] != '_' || name[5] != '_')
            continue;
        std::string upper = name;
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (upper.compare(8, 4, ".DAT") != 0 || !std::isdigit(static_cast<unsigned char>(upper[3])) ||
            !std::isdigit(static_cast<unsigned char>(upper[4])) ||
            !std::isdigit(static_cast<unsigned char>(upper[6])) ||
            !std::isdigit(static_cast<unsigned char>(upper[7])))
            continue;
        int32_t device = -1;
        for (int32_t n = 0; n <= 15; ++n)
            if (DeviceLetter(n) == upper.substr(1, 1))
                device = n;
        const int32_t yy = (upper[3] - '0') * 10 + (upper[4] - '0');
        const int32_t month = (upper[6] - '0') * 10 + (upper[7] - '0');
        if (device < 0 || month < 1 || month > 12)
            continue;
        // Two digits of the year name the one year of the archive's span.
        int32_t year = DayArchive::FirstYear + ((yy - DayArchive::FirstYear % 100) + 100) % 100;
        // The archive reads the file of the name it makes, in its case.
        files.push_back({name, device, year, month});
    }
    std::sort(files.begin(), files.end(), [](const MonthFileName& a, const MonthFileName& b) {
        return std::tie(a.device, a.year, a.month, a.name) <
               std::tie(b.device, b.year, b.month, b.name);
    });
    return files;
}

std::string Checksum(const std::string& bytes)
{
    uint64_t h = 1469598103934665603ull; // FNV-1a, 64 bits
    for (const char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    char text[40];
    std::snprintf(text, sizeof text, "fnv1a64:%016llx", static_cast<unsigned long long>(h));
    return text;
}

const char* KindName(SeriesKind kind)
{
    switch (kind) {
    case SeriesKind::MeanPower:
        return "mean_power";
    case SeriesKind::Energy:
        return "energy";
    case SeriesKind::Impulses:
        return "impulses";
    }
    return "energy";
}

struct KnownFile {
    int64_t id = 0;
    int64_t size = 0;
    int64_t mtime = 0;
    std::string checksum;
    bool missing = false;
    bool seen = false;
};

std::string Bool(bool value)
{
    return value ? "true" : "false";
}

// What one month file becomes in the store.
struct FileContent {
    std::vector<Series> series; // a listed block each
    std::vector<ReadingRow> rows;
    std::vector<std::size_t> rowsOf; // rows of series i start at rowsOf[i]
    std::string firstStart, lastStart;
    int32_t dropped = 0; // values that repeat a start of their block
};

FileContent ReadMonth(QuietListing& quiet, const std::vector<SeriesBlock>& blocks, int32_t year,
                      int32_t month, std::string& error)
{
    FileContent c;
    for (const SeriesBlock& block : blocks) {
        Series s = quiet.CalendarMonthSeries(year, month, block.number);
        if (!s.error.empty()) {
            error = s.error;
            return c;
        }
        c.rowsOf.push_back(c.rows.size());
        std::set<std::string> starts;
        for (const SeriesValue& v : s.values) {
            ReadingRow r;
            r.start = UtcStartText(s, v);
            if (!starts.insert(r.start).second) {
                // Two records of one moment: the key keeps the first.
                ++c.dropped;
                continue;
            }
            r.localStamp = StampText(v.stamp);
            r.stored = v.stored;
            r.shown = v.shown;
            r.quality = v.again ? 1 : 0;
            if (c.firstStart.empty() || r.start < c.firstStart)
                c.firstStart = r.start;
            if (r.start > c.lastStart)
                c.lastStart = r.start;
            c.rows.push_back(std::move(r));
        }
        c.series.push_back(std::move(s));
    }
    return c;
}

// The readings of one month file in one transaction: the file's row, its
// channels, its values upserted from the staging table and those it no
// longer has removed, its days.
int64_t WriteMonth(StoreDb& db, int64_t site, const MonthFileName& file, int64_t size,
                   int64_t mtime, const std::string& checksum, const std::vector<SeriesBlock>& blocks,
                   FileContent& c, bool known)
{
    if (!c.rows.empty())
        db.EnsurePartitions(c.firstStart.substr(0, 10), c.lastStart.substr(0, 10));
    db.Begin(true);
    try {
        // Another sync of the folder may have written it meanwhile.
        const StoreRows now = db.Query("SELECT checksum, size, missing FROM kw_files WHERE "
                                       "site_id = $1 AND path = $2",
                                       {std::to_string(site), file.name});
        if (!now.empty() && now[0][0].text == checksum && now[0][1].text == std::to_string(size) &&
            (now[0][2].text == "f" || now[0][2].text == "0")) {
            db.Commit();
            return 0;
        }
        const StoreRows id = db.Query(
            "INSERT INTO kw_files (site_id, path, device, year, month, size, mtime_ns, checksum, "
            "missing, synced_at) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, FALSE, CURRENT_TIMESTAMP) "
            "ON CONFLICT (site_id, path) DO UPDATE SET device = excluded.device, year = "
            "excluded.year, month = excluded.month, size = excluded.size, mtime_ns = "
            "excluded.mtime_ns, checksum = excluded.checksum, missing = FALSE, synced_at = "
            "excluded.synced_at RETURNING id",
            {std::to_string(site), file.name, std::to_string(file.device),
             std::to_string(file.year), std::to_string(file.month), std::to_string(size),
             std::to_string(mtime), checksum});
        const std::string fileId = id.at(0).at(0).text;
        const int64_t fileNo = std::atoll(fileId.c_str());
        std::vector<std::string> channels;
        for (std::size_t i = 0; i < c.series.size(); ++i) {
            const Series& s = c.series[i];
            const SeriesBlock& b = blocks[i];
            const StoreRows ch = db.Query(
                "INSERT INTO kw_channels (site_id, device, block, block_name, unit, kind, "
                "value_unit, energy_unit, listed) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9) "
                "ON CONFLICT (site_id, device, block_name) DO UPDATE SET block = excluded.block, "
                "unit = excluded.unit, kind = excluded.kind, value_unit = excluded.value_unit, "
                "energy_unit = excluded.energy_unit, listed = excluded.listed RETURNING id",
                {std::to_string(site), std::to_string(file.device), std::to_string(b.number),
                 b.name, s.days.empty() ? b.unit : s.block.unit, KindName(s.kind),
                 s.valueUnit(), s.energyUnit(), Bool(b.listed)});
            channels.push_back(ch.at(0).at(0).text);
            const int64_t channel = std::atoll(channels.back().c_str());
            const std::size_t end = i + 1 < c.rowsOf.size() ? c.rowsOf[i + 1] : c.rows.size();
            for (std::size_t r = c.rowsOf[i]; r < end; ++r) {
                c.rows[r].channel = channel;
                c.rows[r].file = fileNo;
            }
        }
        db.LoadStaging(c.rows);
        db.Exec("INSERT INTO kw_readings (channel_id, start, local_stamp, stored, shown, "
                "quality, file_id) SELECT channel_id, start, local_stamp, stored, shown, "
                "quality, file_id FROM kw_staging WHERE true ON CONFLICT (channel_id, start) DO "
                "UPDATE SET local_stamp = excluded.local_stamp, stored = excluded.stored, shown = "
                "excluded.shown, quality = excluded.quality, file_id = excluded.file_id WHERE "
                "kw_readings.local_stamp IS DISTINCT FROM excluded.local_stamp OR "
                "kw_readings.stored IS DISTINCT FROM excluded.stored OR kw_readings.shown IS "
                "DISTINCT FROM excluded.shown OR kw_readings.quality IS DISTINCT FROM "
                "excluded.quality OR kw_readings.file_id IS DISTINCT FROM excluded.file_id",
                {});
        if (known) {
            // A file written over in place: what it no longer holds goes.
            // Its values lie within a day of its month, which keeps the
            // search to the partitions of the month.
            const MonthRange range = UtcRangeOfMonth(file.year, file.month);
            db.Exec("DELETE FROM kw_readings WHERE file_id = $1 AND start >= $2 AND start < $3 "
                    "AND NOT EXISTS (SELECT 1 FROM kw_staging s WHERE s.channel_id = "
                    "kw_readings.channel_id AND s.start = kw_readings.start)",
                    {fileId, range.from, range.to});
            db.Exec("DELETE FROM kw_channel_days WHERE file_id = $1", {fileId});
            db.Exec("DELETE FROM kw_channel_months WHERE file_id = $1", {fileId});
        }
        // The days, all of a file in one statement.
        std::string days;
        std::vector<std::string> params{fileId};
        for (std::size_t i = 0; i < c.series.size(); ++i) {
            db.Exec("INSERT INTO kw_channel_months (channel_id, file_id) VALUES ($1, $2) ON "
                    "CONFLICT DO NOTHING",
                    {channels[i], fileId});
            for (const SeriesDay& d : c.series[i].days) {
                const std::size_t n = params.size();
                days += std::string(days.empty() ? "" : ", ") + "($" + std::to_string(n + 1) +
                        ", $1, $" + std::to_string(n + 2) + ", $" + std::to_string(n + 3) +
                        ", $" + std::to_string(n + 4) + ", $" + std::to_string(n + 5) + ", $" +
                        std::to_string(n + 6) + ")";
                params.push_back(channels[i]);
                params.push_back(DateText(d.year, d.month, d.dayOfMonth));
                params.push_back(std::to_string(static_cast<int>(d.state)));
                params.push_back(std::to_string(d.result));
                params.push_back(std::to_string(d.present));
                params.push_back(std::to_string(d.expected));
            }
        }
        if (!days.empty())
            db.Exec(std::string("INSERT INTO kw_channel_days (channel_id, file_id, day, state, "
                                "result, present, expected) VALUES ") +
                        days +
                        " ON CONFLICT (channel_id, day) DO UPDATE SET file_id = excluded.file_id, "
                        "state = excluded.state, result = excluded.result, present = "
                        "excluded.present, expected = excluded.expected",
                    params);
        db.Commit();
    } catch (...) {
        db.Rollback();
        throw;
    }
    return static_cast<int64_t>(c.rows.size());
}

void SyncContract(StoreDb& db, int64_t site, const std::string& programPath)
{
    std::string text;
    if (!ReadInputFile(ContractFile::StoragePath(programPath), 1 << 20, text))
        return; // none, or not readable: the store keeps what it had
    db.Exec("INSERT INTO kw_contracts (site_id, text, synced_at) VALUES ($1, $2, "
            "CURRENT_TIMESTAMP) ON CONFLICT (site_id) DO UPDATE SET text = excluded.text, "
            "synced_at = excluded.synced_at WHERE kw_contracts.text IS DISTINCT FROM "
            "excluded.text",
            {std::to_string(site), text});
}

} // namespace

std::string DefaultSiteName(const std::string& programPath)
{
    std::string path = programPath;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const std::size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.empty() ? std::string("archiv") : name;
}

SyncResult SyncArchive(StoreDb& db, const std::string& programPath, const std::string& siteName,
                       const std::function<bool(const SyncProgress&)>& progress)
{
    SyncResult result;
    EnsureStoreSchema(db);
    IniLayer ini;
    const bool summer = ArchiveClock(ini, programPath) == ClockRule::SummerTime;
    const StoreRows siteRow = db.Query(
        "INSERT INTO kw_sites (name, folder, clock) VALUES ($1, $2, $3) ON CONFLICT (name) DO "
        "UPDATE SET folder = excluded.folder, clock = excluded.clock RETURNING id",
        {siteName, programPath, summer ? "summer" : "standard"});
    const int64_t site = std::atoll(siteRow.at(0).at(0).text.c_str());
    db.LockSite(site);

    std::map<std::string, KnownFile> known;
    for (const auto& row : db.Query("SELECT path, id, size, mtime_ns, checksum, CASE WHEN "
                                    "missing THEN 1 ELSE 0 END FROM kw_files WHERE site_id = $1",
                                    {std::to_string(site)}))
        known[row[0].text] = {std::atoll(row[1].text.c_str()), std::atoll(row[2].text.c_str()),
                              std::atoll(row[3].text.c_str()), row[4].text, row[5].text == "1",
                              false};

    const std::vector<MonthFileName> files = MonthFilesOf(programPath);
    result.files = static_cast<int32_t>(files.size());
    std::unique_ptr<QuietListing> quiet;
    std::vector<SeriesBlock> blocks;
    int32_t quietDevice = -1;
    int32_t dropped = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const MonthFileName& file = files[i];
        if (progress && !progress({static_cast<int32_t>(i), result.files, file.name})) {
            result.cancelled = true;
            return result;
        }
        const std::string path = programPath + file.name;
        struct stat st {};
        KnownFile* k = known.count(file.name) ? &known[file.name] : nullptr;
        if (k)
            k->seen = true;
        if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            result.failures.push_back(file.name + ": " +
                                      (S_ISDIR(st.st_mode) ? std::string("je to složka")
                                                           : std::string("není obyčejný soubor")));
            continue;
        }
        const int64_t size = st.st_size;
        const int64_t mtime = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 +
                              st.st_mtim.tv_nsec;
        if (k && !k->missing && k->size == size && k->mtime == mtime) {
            ++result.unchanged;
            continue;
        }
        std::string bytes;
        if (!ReadInputFile(path, DayArchive::MaxFileSize, bytes)) {
            result.failures.push_back(file.name + ": " + std::strerror(errno));
            continue;
        }
        const std::string checksum = Checksum(bytes);
        if (k && k->size == size && k->checksum == checksum) {
            // Touched, or back after it was gone: the same bytes.
            db.Exec("UPDATE kw_files SET mtime_ns = $1, missing = FALSE WHERE id = $2",
                    {std::to_string(mtime), std::to_string(k->id)});
            ++result.unchanged;
            continue;
        }
        if (file.device != quietDevice) {
            ListingSettings settings;
            quiet = std::make_unique<QuietListing>(programPath, file.device, settings, 0);
            blocks.clear();
            // Every block, also those not offered for listing: a listing
            // can still be asked for them.
            for (const SeriesBlock& b : OwnBlocks(programPath, file.device))
                if (b.number > 0)
                    blocks.push_back(b);
            quietDevice = file.device;
        }
        if (!quiet->loaded()) {
            result.failures.push_back(file.name + ": popis archivu zařízení nelze načíst");
            continue;
        }
        std::string error;
        FileContent content = ReadMonth(*quiet, blocks, file.year, file.month, error);
        if (!error.empty()) {
            result.failures.push_back(file.name + ": " + error);
            continue;
        }
        // Changed while it was read: the next sync reads it again.
        struct stat after {};
        const bool steady = ::stat(path.c_str(), &after) == 0 && after.st_size == st.st_size &&
                            after.st_mtim.tv_sec == st.st_mtim.tv_sec &&
                            after.st_mtim.tv_nsec == st.st_mtim.tv_nsec;
        dropped += content.dropped;
        result.rows += WriteMonth(db, site, file, size, mtime, steady ? checksum : std::string("-"),
                                  blocks, content, k != nullptr);
        ++result.read;
    }
    if (progress)
        progress({result.files, result.files, std::string()});
    for (auto& [name, k] : known) {
        if (k.seen)
            continue;
        ++result.missing;
        if (!k.missing)
            db.Exec("UPDATE kw_files SET missing = TRUE WHERE id = $1", {std::to_string(k.id)});
    }
    SyncContract(db, site, programPath);
    if (dropped > 0)
        result.failures.push_back(std::to_string(dropped) +
                                  " hodnot se stejným časem jako hodnota před nimi vynecháno");
    return result;
}

std::string SyncSummary(const SyncResult& r, const std::string& storeName)
{
    return "Synchronizace do úložiště „" + storeName + "“" +
           (r.cancelled ? std::string(" přerušena") : std::string()) + ": " +
           std::to_string(r.files) + " měsíčních souborů, načteno " + std::to_string(r.read) +
           ", beze změny " + std::to_string(r.unchanged) + ", chybí ve složce " +
           std::to_string(r.missing) + ", zapsáno hodnot " + std::to_string(r.rows) +
           (r.failures.empty() ? std::string()
                               : ", chyb " + std::to_string(r.failures.size()));
}

std::string StoreUrlsFile()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string dir;
    if (config && *config == '/') {
        dir = config;
    } else {
        const char* home = std::getenv("HOME");
        dir = std::string(home && *home ? home : "/tmp") + "/.config";
    }
    return dir + "/kwatrix/kwatrix-stores.ini";
}

namespace {

// Lines "FOLDER<TAB>URL"; a folder's name cannot hold a tab or a newline.
std::map<std::string, std::string> ParseUrls(const std::string& text)
{
    std::map<std::string, std::string> urls;
    std::size_t from = 0;
    while (from < text.size()) {
        std::size_t end = text.find('\n', from);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(from, end - from);
        const std::size_t tab = line.find('\t');
        if (tab != std::string::npos && tab > 0)
            urls[line.substr(0, tab)] = line.substr(tab + 1);
        from = end + 1;
    }
    return urls;
}

} // namespace

std::string RememberedStoreUrl(const std::string& programPath)
{
    std::string text;
    if (!ReadInputFile(StoreUrlsFile(), 1 << 20, text))
        return std::string();
    const auto urls = ParseUrls(text);
    const auto it = urls.find(programPath);
    return it == urls.end() ? std::string() : it->second;
}

bool RememberStoreUrl(const std::string& programPath, const std::string& url, std::string* reason)
{
    const std::string file = StoreUrlsFile();
    const std::string dir = file.substr(0, file.rfind('/'));
    ::mkdir(dir.substr(0, dir.rfind('/')).c_str(), 0700);
    ::mkdir(dir.c_str(), 0700);
    if (programPath.find_first_of("\t\n") != std::string::npos) {
        if (reason)
            *reason = "název složky obsahuje tabulátor nebo konec řádku";
        return false;
    }
    const std::string clean = UrlWithoutPassword(url);
    return UpdateFile(
        file, 1 << 20,
        [&](const std::string& old, std::string& updated) {
            auto urls = ParseUrls(old);
            urls[programPath] = clean;
            updated.clear();
            for (const auto& [folder, u] : urls)
                updated += folder + '\t' + u + '\n';
            return true;
        },
        reason);
}

} // namespace kw
