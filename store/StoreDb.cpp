#include "store/StoreDb.h"

#include "store/Backends.h"

#include <cctype>
#include <cstdlib>

namespace kw {

namespace {

bool StartsWith(const std::string& text, const char* start)
{
    return text.rfind(start, 0) == 0;
}

bool IsUri(const std::string& url)
{
    return StartsWith(url, "postgresql://") || StartsWith(url, "postgres://");
}

const char kSameLength[] = "\x01";

// `with`, or as many stars as the password has.
std::string Mask(const std::string& with, std::size_t length)
{
    return with == kSameLength ? std::string(length, '*') : with;
}

// The password of `url` replaced by `with` (removed, with its separator,
// when `with` is empty): in the user part of a URI, in its parameter
// "password=", and in a keyword string.
std::string ReplacePassword(const std::string& url, const std::string& with)
{
    std::string out = url;
    if (IsUri(out)) {
        const std::size_t authority = out.find("://") + 3;
        std::size_t end = out.find_first_of("/?", authority);
        if (end == std::string::npos)
            end = out.size();
        const std::size_t at = out.rfind('@', end);
        if (at != std::string::npos && at >= authority) {
            const std::size_t colon = out.find(':', authority);
            if (colon != std::string::npos && colon < at) {
                if (with.empty())
                    out.erase(colon, at - colon);
                else
                    out.replace(colon + 1, at - colon - 1, Mask(with, at - colon - 1));
            }
        }
        // "?password=..." among the parameters; the others stay as they are.
        const std::size_t q = out.find('?');
        if (q != std::string::npos) {
            std::string query;
            bool first = true;
            std::size_t from = q + 1;
            for (;;) {
                std::size_t stop = out.find('&', from);
                if (stop == std::string::npos)
                    stop = out.size();
                std::string param = out.substr(from, stop - from);
                const bool password = StartsWith(param, "password=");
                if (!(password && with.empty())) {
                    if (password)
                        param = "password=" + Mask(with, param.size() - 9);
                    query += (first ? "" : "&") + param;
                    first = false;
                }
                if (stop == out.size())
                    break;
                from = stop + 1;
            }
            out = out.substr(0, q) + (first ? "" : "?" + query);
        }
        return out;
    }
    // A keyword string: password = value, the value bare or in quotes.
    std::size_t pos = 0;
    while ((pos = out.find("password", pos)) != std::string::npos) {
        const bool wordStart = pos == 0 || std::isspace(static_cast<unsigned char>(out[pos - 1]));
        std::size_t i = pos + 8;
        while (i < out.size() && out[i] == ' ')
            ++i;
        if (!wordStart || i >= out.size() || out[i] != '=') {
            pos += 8;
            continue;
        }
        ++i;
        while (i < out.size() && out[i] == ' ')
            ++i;
        std::size_t end = i;
        if (end < out.size() && out[end] == '\'') {
            for (++end; end < out.size() && out[end] != '\''; ++end)
                if (out[end] == '\\')
                    ++end;
            end = std::min(end + 1, out.size());
            // Whatever sticks to the closing quote is hidden with it.
            while (end < out.size() && !std::isspace(static_cast<unsigned char>(out[end])))
                ++end;
        } else {
            while (end < out.size() && !std::isspace(static_cast<unsigned char>(out[end])))
                ++end;
        }
        if (with.empty()) {
            std::size_t stop = end;
            while (stop < out.size() && out[stop] == ' ')
                ++stop;
            out.erase(pos, stop - pos);
            // What comes together around it is looked at again.
            pos = 0;
        } else {
            const std::string mask = Mask(with, end - i);
            out.replace(i, end - i, mask);
            pos = i + mask.size();
        }
    }
    // A password removed from the end leaves no blank behind.
    while (with.empty() && out.size() < url.size() && !out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

} // namespace

std::string RedactedStoreUrl(const std::string& url)
{
    return ReplacePassword(url, "***");
}

std::string UrlWithoutPassword(const std::string& url)
{
    return ReplacePassword(url, "");
}

std::string MaskedStoreUrl(const std::string& url)
{
    return ReplacePassword(url, kSameLength);
}

std::string UserFolder(const char* variable, const char* underHome)
{
    const char* set = std::getenv(variable);
    if (set && *set == '/')
        return std::string(set) + "/kwatrix/";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + underHome + "/kwatrix/";
}

std::string DefaultStoreUrl()
{
    return "sqlite:" + UserFolder("XDG_DATA_HOME", "/.local/share") + "kwatrix.sqlite";
}

std::string StoreMessage(const std::string& name, const std::string& what)
{
    return "Úložiště „" + name + "“: " + what;
}

std::unique_ptr<StoreDb> OpenStore(const std::string& url, const std::string& password, bool create)
{
    const std::string name = RedactedStoreUrl(url);
    if (StartsWith(url, "sqlite:")) {
        std::string path = url.substr(7);
        if (StartsWith(path, "//"))
            path = path.substr(2);
        if (path.empty())
            throw StoreError(StoreMessage(name, "chybí cesta k souboru"));
        return OpenSqliteStore(path, name, create);
    }
    if (IsUri(url) || url.find('=') != std::string::npos)
        return OpenPostgresStore(url, password, name);
    throw StoreError(StoreMessage(name, "neznámý druh úložiště (sqlite:SOUBOR nebo "
                                        "postgresql://…)"));
}

namespace {

// The tables; the readings' key is the channel and the start of the
// interval. The types differ: PostgreSQL has timestamptz, booleans and
// partitions, SQLite keeps times as text in the same form.
const char* const kPostgresSchema = R"SQL(
CREATE TABLE kw_sites (
    id bigserial PRIMARY KEY,
    name text NOT NULL UNIQUE,
    folder text NOT NULL,
    clock text NOT NULL
);
CREATE TABLE kw_channels (
    id bigserial PRIMARY KEY,
    site_id bigint NOT NULL REFERENCES kw_sites (id),
    device integer NOT NULL,
    block integer NOT NULL,
    block_name text NOT NULL,
    unit text NOT NULL,
    kind text NOT NULL,
    value_unit text NOT NULL,
    energy_unit text NOT NULL,
    listed boolean NOT NULL,
    UNIQUE (site_id, device, block_name)
);
CREATE TABLE kw_files (
    id bigserial PRIMARY KEY,
    site_id bigint NOT NULL REFERENCES kw_sites (id),
    path text NOT NULL,
    device integer NOT NULL,
    year integer NOT NULL,
    month integer NOT NULL,
    size bigint NOT NULL,
    mtime_ns bigint NOT NULL,
    checksum text NOT NULL,
    missing boolean NOT NULL DEFAULT false,
    synced_at timestamptz NOT NULL DEFAULT now(),
    UNIQUE (site_id, path)
);
CREATE TABLE kw_channel_months (
    channel_id bigint NOT NULL REFERENCES kw_channels (id),
    file_id bigint NOT NULL REFERENCES kw_files (id),
    PRIMARY KEY (channel_id, file_id)
);
CREATE TABLE kw_channel_days (
    channel_id bigint NOT NULL REFERENCES kw_channels (id),
    file_id bigint NOT NULL REFERENCES kw_files (id),
    day date NOT NULL,
    state smallint NOT NULL,
    result integer NOT NULL,
    present integer NOT NULL,
    expected integer NOT NULL,
    PRIMARY KEY (channel_id, day)
);
CREATE INDEX kw_channel_days_file ON kw_channel_days (file_id);
CREATE TABLE kw_readings (
    channel_id bigint NOT NULL,
    start timestamptz NOT NULL,
    local_stamp timestamp NOT NULL,
    stored real,
    shown real,
    quality smallint NOT NULL,
    file_id bigint NOT NULL,
    PRIMARY KEY (channel_id, start)
) PARTITION BY RANGE (start);
CREATE TABLE kw_contracts (
    site_id bigint PRIMARY KEY REFERENCES kw_sites (id),
    text text NOT NULL,
    synced_at timestamptz NOT NULL DEFAULT now()
);
)SQL";

const char* const kSqliteSchema = R"SQL(
CREATE TABLE kw_sites (
    id INTEGER PRIMARY KEY,
    name TEXT NOT NULL UNIQUE,
    folder TEXT NOT NULL,
    clock TEXT NOT NULL
);
CREATE TABLE kw_channels (
    id INTEGER PRIMARY KEY,
    site_id INTEGER NOT NULL REFERENCES kw_sites (id),
    device INTEGER NOT NULL,
    block INTEGER NOT NULL,
    block_name TEXT NOT NULL,
    unit TEXT NOT NULL,
    kind TEXT NOT NULL,
    value_unit TEXT NOT NULL,
    energy_unit TEXT NOT NULL,
    listed BOOLEAN NOT NULL,
    UNIQUE (site_id, device, block_name)
);
CREATE TABLE kw_files (
    id INTEGER PRIMARY KEY,
    site_id INTEGER NOT NULL REFERENCES kw_sites (id),
    path TEXT NOT NULL,
    device INTEGER NOT NULL,
    year INTEGER NOT NULL,
    month INTEGER NOT NULL,
    size INTEGER NOT NULL,
    mtime_ns INTEGER NOT NULL,
    checksum TEXT NOT NULL,
    missing BOOLEAN NOT NULL DEFAULT FALSE,
    synced_at TEXT NOT NULL DEFAULT (strftime('%Y-%m-%d %H:%M:%S+00', 'now')),
    UNIQUE (site_id, path)
);
CREATE TABLE kw_channel_months (
    channel_id INTEGER NOT NULL REFERENCES kw_channels (id),
    file_id INTEGER NOT NULL REFERENCES kw_files (id),
    PRIMARY KEY (channel_id, file_id)
);
CREATE TABLE kw_channel_days (
    channel_id INTEGER NOT NULL REFERENCES kw_channels (id),
    file_id INTEGER NOT NULL REFERENCES kw_files (id),
    day TEXT NOT NULL,
    state INTEGER NOT NULL,
    result INTEGER NOT NULL,
    present INTEGER NOT NULL,
    expected INTEGER NOT NULL,
    PRIMARY KEY (channel_id, day)
);
CREATE INDEX kw_channel_days_file ON kw_channel_days (file_id);
CREATE TABLE kw_readings (
    channel_id INTEGER NOT NULL,
    start TEXT NOT NULL,
    local_stamp TEXT NOT NULL,
    stored REAL,
    shown REAL,
    quality INTEGER NOT NULL,
    file_id INTEGER NOT NULL,
    PRIMARY KEY (channel_id, start)
) WITHOUT ROWID;
CREATE TABLE kw_contracts (
    site_id INTEGER PRIMARY KEY REFERENCES kw_sites (id),
    text TEXT NOT NULL,
    synced_at TEXT NOT NULL DEFAULT (strftime('%Y-%m-%d %H:%M:%S+00', 'now'))
);
)SQL";

} // namespace

namespace {

// The version of the store's tables; 0 when kw_schema is empty.
int32_t SchemaVersion(StoreDb& db)
{
    const StoreRows rows = db.Query("SELECT max(version) FROM kw_schema");
    return rows.empty() || rows[0][0].null ? 0 : std::atoi(rows[0][0].text.c_str());
}

void RefuseNewer(StoreDb& db, int32_t version)
{
    if (version > StoreSchemaVersion)
        throw StoreError(StoreMessage(
            db.name(), "má novější schéma (verze " + std::to_string(version) +
                           "); tento program zná verzi " + std::to_string(StoreSchemaVersion) +
                           " a nic do něj nezapíše"));
}

} // namespace

void CheckStoreSchema(StoreDb& db)
{
    int32_t version = 0;
    try {
        version = SchemaVersion(db);
    } catch (const StoreError&) {
        // No kw_schema: not a store of this program, or an empty file.
    }
    RefuseNewer(db, version);
    if (version == 0)
        throw StoreError(StoreMessage(db.name(), "není úložiště Kwatrix (nemá jeho tabulky)"));
}

void EnsureStoreSchema(StoreDb& db)
{
    db.Begin(true);
    try {
        // Two programs that find a new store at once create it once.
        if (db.postgres())
            db.Exec("SELECT pg_advisory_xact_lock(7207, 0)");
        db.Exec("CREATE TABLE IF NOT EXISTS kw_schema (version integer NOT NULL)");
        const int32_t version = SchemaVersion(db);
        RefuseNewer(db, version);
        const bool empty = version == 0;
        if (empty) {
            db.Exec(db.postgres() ? kPostgresSchema : kSqliteSchema);
            db.Exec("INSERT INTO kw_schema (version) VALUES ($1)",
                    {std::to_string(StoreSchemaVersion)});
        }
        db.Commit();
    } catch (...) {
        db.Rollback();
        throw;
    }
}

} // namespace kw
