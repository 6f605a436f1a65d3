#include "store/Sync.h"

#include "analysis/Contract.h"
#include "analysis/QuietListing.h"
#include "archive/ArchiveDescription.h"
#include "archive/AtomicFile.h"
#include "archive/DateTime.h"
#include "archive/FileLookup.h"
#include "archive/Ini.h"
#include "archive/MonthFile.h"
#include "graph/SeriesExport.h"
#include "store/Backends.h"
#include "store/StoreDb.h"
#include "store/StoreTime.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_set>

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
        if (upper.compare(8, 4, ".DAT") != 0 ||
            !std::isdigit(static_cast<unsigned char>(upper[3])) ||
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

// A boolean parameter: SQLite keeps "true" as text, both read "1" right.
std::string Bool(bool value)
{
    return value ? "1" : "0";
}

// What one month file becomes in the store.
struct FileContent {
    std::vector<Series> series; // a listed block each
    std::vector<ReadingRow> rows;
    std::vector<std::size_t> rowsOf; // rows of series i start at rowsOf[i]
    int64_t firstStart = 0, lastStart = 0;
    int32_t dropped = 0; // values that repeat a start of their block
};

FileContent ReadMonth(QuietListing& quiet, const std::vector<SeriesBlock>& blocks, int32_t year,
                      int32_t month, std::string& error)
{
    FileContent c;
    c.rows.reserve(blocks.size() * 31 * 100);
    for (const SeriesBlock& block : blocks) {
        Series s = quiet.CalendarMonthSeries(year, month, block.number);
        if (!s.error.empty()) {
            error = s.error;
            return c;
        }
        c.rowsOf.push_back(c.rows.size());
        std::unordered_set<int64_t> starts;
        starts.reserve(s.values.size() * 2);
        for (const SeriesValue& v : s.values) {
            const int64_t start = UtcStart(s, v);
            if (!starts.insert(start).second) {
                // Two records of one moment: the key keeps the first.
                ++c.dropped;
                continue;
            }
            ReadingRow r;
            r.start = start;
            r.localStamp = v.stamp;
            r.stored = v.stored;
            r.shown = v.shown;
            r.quality = v.again ? 1 : 0;
            if (c.rows.empty() || start < c.firstStart)
                c.firstStart = start;
            if (c.rows.empty() || start > c.lastStart)
                c.lastStart = start;
            c.rows.push_back(std::move(r));
        }
        c.series.push_back(std::move(s));
    }
    return c;
}

// A channel as the store has it, its id as text.
struct ChannelRow {
    std::string id, block, unit, kind, valueUnit, energyUnit, listed;
    bool same(const ChannelRow& o) const
    {
        return std::tie(block, unit, kind, valueUnit, energyUnit, listed) ==
               std::tie(o.block, o.unit, o.kind, o.valueUnit, o.energyUnit, o.listed);
    }
};
using ChannelKey = std::pair<int32_t, std::string>; // device, block name

// What the store holds of the site, read once at the start of a sync.
struct StoreState {
    std::mutex mutex; // two connections may write at once
    std::map<ChannelKey, ChannelRow> channels;
};

// The readings of one month file in one transaction: the file's row, its
// channels, its values upserted from the staging table and those it no
// longer has removed, its days.
int64_t WriteMonth(StoreDb& db, int64_t site, const MonthFileName& file, int64_t size,
                   int64_t mtime, const std::string& checksum,
                   const std::vector<SeriesBlock>& blocks, FileContent& c, bool knownFile,
                   StoreState& known)
{
    if (!c.rows.empty())
        db.EnsurePartitions(StampText(c.firstStart).substr(0, 10),
                            StampText(c.lastStart).substr(0, 10));
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
        std::vector<std::pair<ChannelKey, ChannelRow>> added;
        for (std::size_t i = 0; i < c.series.size(); ++i) {
            const Series& s = c.series[i];
            const SeriesBlock& b = blocks[i];
            const ChannelKey key{file.device, b.name};
            ChannelRow want{std::string(),
                            std::to_string(b.number),
                            s.days.empty() ? b.unit : s.block.unit,
                            KindName(s.kind),
                            s.valueUnit(),
                            s.energyUnit(),
                            Bool(b.listed)};
            std::unique_lock<std::mutex> lock(known.mutex);
            const auto have = known.channels.find(key);
            const bool same = have != known.channels.end() && have->second.same(want);
            if (same)
                want.id = have->second.id;
            lock.unlock();
            if (!same) {
                // New, or its description changed: one statement, and only
                // then, so that two syncs seldom wait on the same channel.
                want.id =
                    db.Query("INSERT INTO kw_channels (site_id, device, block, block_name, "
                             "unit, kind, value_unit, energy_unit, listed) VALUES ($1, $2, "
                             "$3, $4, $5, $6, $7, $8, $9) ON CONFLICT (site_id, device, "
                             "block_name) DO UPDATE SET block = excluded.block, unit = "
                             "excluded.unit, kind = excluded.kind, value_unit = "
                             "excluded.value_unit, energy_unit = excluded.energy_unit, "
                             "listed = excluded.listed RETURNING id",
                             {std::to_string(site), std::to_string(file.device), want.block, b.name,
                              want.unit, want.kind, want.valueUnit, want.energyUnit, want.listed})
                        .at(0)
                        .at(0)
                        .text;
                added.emplace_back(key, want);
            }
            channels.push_back(want.id);
            const int64_t channel = std::atoll(want.id.c_str());
            const std::size_t end = i + 1 < c.rowsOf.size() ? c.rowsOf[i + 1] : c.rows.size();
            for (std::size_t r = c.rowsOf[i]; r < end; ++r) {
                c.rows[r].channel = channel;
                c.rows[r].file = fileNo;
            }
        }
        // A file written over in place loses what it no longer holds. Its
        // values lie within a day of its month, which keeps the search to the
        // partitions of the month.
        const MonthRange range = UtcRangeOfMonth(file.year, file.month);
        db.WriteReadings(c.rows, fileId, knownFile, range.from, range.to);
        if (knownFile) {
            db.Exec("DELETE FROM kw_channel_days WHERE file_id = $1", {fileId});
            db.Exec("DELETE FROM kw_channel_months WHERE file_id = $1", {fileId});
        }
        // The days, all of a file in one statement.
        std::string days;
        std::vector<std::string> params{fileId};
        std::string months;
        for (std::size_t i = 0; i < c.series.size(); ++i) {
            months += std::string(months.empty() ? "" : ", ") + "(" + channels[i] + ", $1)";
            for (const SeriesDay& d : c.series[i].days) {
                const std::size_t n = params.size();
                days += std::string(days.empty() ? "" : ", ") + "($" + std::to_string(n + 1) +
                        ", $1, $" + std::to_string(n + 2) + ", $" + std::to_string(n + 3) + ", $" +
                        std::to_string(n + 4) + ", $" + std::to_string(n + 5) + ", $" +
                        std::to_string(n + 6) + ")";
                params.push_back(channels[i]);
                params.push_back(IsoDate(d.day));
                params.push_back(std::to_string(static_cast<int>(d.state)));
                params.push_back(std::to_string(d.result));
                params.push_back(std::to_string(d.present));
                params.push_back(std::to_string(d.expected));
            }
        }
        if (!months.empty())
            db.Exec("INSERT INTO kw_channel_months (channel_id, file_id) VALUES " + months +
                        " ON CONFLICT DO NOTHING",
                    {fileId});
        if (!days.empty())
            db.Exec(std::string("INSERT INTO kw_channel_days (channel_id, file_id, day, state, "
                                "result, present, expected) VALUES ") +
                        days +
                        " ON CONFLICT (channel_id, day) DO UPDATE SET file_id = excluded.file_id, "
                        "state = excluded.state, result = excluded.result, present = "
                        "excluded.present, expected = excluded.expected",
                    params);
        db.Commit();
        const std::lock_guard<std::mutex> lock(known.mutex);
        for (auto& [key, row] : added)
            known.channels[key] = row;
    } catch (...) {
        db.Rollback();
        throw;
    }
    return static_cast<int64_t>(c.rows.size());
}

// What the reader made of one month file, for the writer.
struct Work {
    enum Kind { Unchanged, Touched, Failed, Read } kind = Unchanged;
    std::string failure;
    int64_t knownId = 0; // the file's row when it was synced before
    int64_t size = 0, mtime = 0;
    std::string checksum;
    std::shared_ptr<const std::vector<SeriesBlock>> blocks;
    FileContent content;
    std::exception_ptr error; // the reader failed: the sync ends with it
};

// A few month files ahead of the writer, no more: the memory stays small.
class WorkQueue {
public:
    void Push(Work work)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [&] { return m_items.size() < 4 || m_stopped; });
        if (m_stopped)
            return;
        m_items.push_back(std::move(work));
        m_changed.notify_all();
    }
    Work Pop()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [&] { return !m_items.empty(); });
        Work work = std::move(m_items.front());
        m_items.pop_front();
        m_changed.notify_all();
        return work;
    }
    void Stop()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopped = true;
        m_changed.notify_all();
    }
    bool stopped()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_stopped;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Work> m_items;
    bool m_stopped = false;
};

Work ReadFile(const std::string& programPath, const MonthFileName& file, const KnownFile* k,
              std::unique_ptr<QuietListing>& quiet,
              std::shared_ptr<const std::vector<SeriesBlock>>& blocks, int32_t& quietDevice)
{
    Work w;
    w.knownId = k ? k->id : 0;
    const std::string path = programPath + file.name;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        w.kind = Work::Failed;
        w.failure = S_ISDIR(st.st_mode) ? "je to složka" : "není obyčejný soubor";
        return w;
    }
    w.size = st.st_size;
    w.mtime = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    if (k && !k->missing && k->size == w.size && k->mtime == w.mtime)
        return w; // Unchanged: not read at all
    std::string bytes;
    if (!ReadInputFile(path, DayArchive::MaxFileSize, bytes)) {
        w.kind = Work::Failed;
        w.failure = std::strerror(errno);
        return w;
    }
    w.checksum = Checksum(bytes);
    if (k && k->size == w.size && k->checksum == w.checksum) {
        w.kind = Work::Touched;
        return w;
    }
    if (file.device != quietDevice) {
        ListingSettings settings;
        quiet = std::make_unique<QuietListing>(programPath, file.device, settings, 0);
        auto own = std::make_shared<std::vector<SeriesBlock>>();
        // Every block, also those not offered for listing: a listing can
        // still be asked for them.
        for (const SeriesBlock& b : OwnBlocks(programPath, file.device))
            if (b.number > 0)
                own->push_back(b);
        blocks = own;
        quietDevice = file.device;
    }
    if (!quiet->loaded()) {
        w.kind = Work::Failed;
        w.failure = "popis archivu zařízení nelze načíst";
        return w;
    }
    std::string error;
    w.content = ReadMonth(*quiet, *blocks, file.year, file.month, error);
    if (!error.empty()) {
        w.kind = Work::Failed;
        w.failure = error;
        return w;
    }
    // Changed while it was read: no checksum, so the next sync reads it again.
    struct stat after {};
    if (::stat(path.c_str(), &after) != 0 || after.st_size != st.st_size ||
        after.st_mtim.tv_sec != st.st_mtim.tv_sec || after.st_mtim.tv_nsec != st.st_mtim.tv_nsec)
        w.checksum = "-";
    w.kind = Work::Read;
    w.blocks = blocks;
    return w;
}

void ReadFiles(const std::string& programPath, const std::vector<MonthFileName>& files,
               const std::map<std::string, KnownFile>& known, WorkQueue& queue)
{
    std::unique_ptr<QuietListing> quiet;
    std::shared_ptr<const std::vector<SeriesBlock>> blocks;
    int32_t quietDevice = -1;
    for (const MonthFileName& file : files) {
        if (queue.stopped())
            return;
        const auto k = known.find(file.name);
        Work work;
        try {
            work = ReadFile(programPath, file, k == known.end() ? nullptr : &k->second, quiet,
                            blocks, quietDevice);
        } catch (...) {
            work.error = std::current_exception();
        }
        queue.Push(std::move(work));
    }
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
        known[row[0].text] = {std::atoll(row[1].text.c_str()),
                              std::atoll(row[2].text.c_str()),
                              std::atoll(row[3].text.c_str()),
                              row[4].text,
                              row[5].text == "1",
                              false};

    StoreState state;
    for (const auto& row :
         db.Query("SELECT device, block_name, id, block, unit, kind, value_unit, energy_unit, CASE "
                  "WHEN listed THEN '1' ELSE '0' END FROM kw_channels WHERE site_id = $1",
                  {std::to_string(site)}))
        state.channels[{std::atoi(row[0].text.c_str()), row[1].text}] = {
            row[2].text, row[3].text, row[4].text, row[5].text,
            row[6].text, row[7].text, row[8].text};

    const std::vector<MonthFileName> files = MonthFilesOf(programPath);
    result.files = static_cast<int32_t>(files.size());
    for (const MonthFileName& file : files)
        if (const auto k = known.find(file.name); k != known.end())
            k->second.seen = true;

    // The month files are read on a thread of their own while this one
    // writes the store: on two cores the two halves of the work overlap. A
    // server takes a second connection too, as its half is the larger.
    WorkQueue queue;
    std::thread reader([&] { ReadFiles(programPath, files, known, queue); });
    std::unique_ptr<StoreDb> second;
    std::mutex mutex; // the result, the handing out of files, the progress
    std::exception_ptr failure;
    std::size_t next = 0;
    const auto write = [&](StoreDb& conn) {
        for (;;) {
            std::size_t i = 0;
            Work work;
            {
                // Handed out in the reader's order, under one lock.
                std::lock_guard<std::mutex> lock(mutex);
                if (failure || result.cancelled || next >= files.size())
                    return;
                i = next++;
                if (progress && !progress({static_cast<int32_t>(i), result.files, files[i].name})) {
                    result.cancelled = true;
                    return;
                }
                work = queue.Pop();
            }
            const MonthFileName& file = files[i];
            try {
                if (work.error)
                    std::rethrow_exception(work.error);
                int64_t rows = 0;
                if (work.kind == Work::Touched)
                    // The same bytes, touched or back after they were gone.
                    conn.Exec("UPDATE kw_files SET mtime_ns = $1, missing = FALSE WHERE id = $2",
                              {std::to_string(work.mtime), std::to_string(work.knownId)});
                else if (work.kind == Work::Read)
                    rows = WriteMonth(conn, site, file, work.size, work.mtime, work.checksum,
                                      *work.blocks, work.content, work.knownId != 0, state);
                std::lock_guard<std::mutex> lock(mutex);
                switch (work.kind) {
                case Work::Unchanged:
                case Work::Touched:
                    ++result.unchanged;
                    break;
                case Work::Failed:
                    result.failures.push_back(file.name + ": " + work.failure);
                    break;
                case Work::Read:
                    // Two values of one instant: a clock that did not follow
                    // the archive's summer time setting. The key holds one.
                    if (work.content.dropped > 0)
                        result.failures.push_back(
                            file.name + ": " + std::to_string(work.content.dropped) +
                            " hodnot se stejným časem UTC jako hodnota před nimi vynecháno");
                    result.rows += rows;
                    ++result.read;
                    break;
                }
            } catch (...) {
                std::lock_guard<std::mutex> lock(mutex);
                if (!failure)
                    failure = std::current_exception();
                return;
            }
        }
    };
    try {
        second = db.OpenAnother();
    } catch (...) {
        failure = std::current_exception();
    }
    std::thread helper;
    if (second)
        helper = std::thread([&] { write(*second); });
    write(db);
    if (helper.joinable())
        helper.join();
    queue.Stop();
    reader.join();
    if (failure)
        std::rethrow_exception(failure);
    if (result.cancelled)
        return result;
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
    return result;
}

std::string SyncSummary(const SyncResult& r, const std::string& storeName)
{
    return "Synchronizace do úložiště „" + storeName + "“" +
           (r.cancelled ? std::string(" přerušena") : std::string()) + ": " +
           std::to_string(r.files) + " měsíčních souborů, načteno " + std::to_string(r.read) +
           ", beze změny " + std::to_string(r.unchanged) + ", chybí ve složce " +
           std::to_string(r.missing) + ", zapsáno hodnot " + std::to_string(r.rows) +
           (r.failures.empty() ? std::string() : ", chyb " + std::to_string(r.failures.size()));
}

std::string StoreUrlsFile()
{
    return UserFolder("XDG_CONFIG_HOME", "/.config") + "kwatrix-stores.ini";
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
