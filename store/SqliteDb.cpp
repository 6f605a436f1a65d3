// The store in one SQLite file: the default, which needs no server.

#include "store/Backends.h"
#include "store/StoreTime.h"

#include <sqlite3.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>

#include <sys/stat.h>

namespace kw {

namespace {

// Creates the folders of `path` that are missing.
bool MakeParents(const std::string& path)
{
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string dir = path.substr(0, slash);
        if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

class SqliteDb final : public StoreDb {
public:
    SqliteDb(const std::string& path, const std::string& name, bool create) : StoreDb(name)
    {
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
            throw StoreError(StoreMessage(name, "není obyčejný soubor"));
        if (create && !MakeParents(path))
            throw StoreError(
                StoreMessage(name, "složku nelze vytvořit: " + std::string(std::strerror(errno))));
        const int rc = sqlite3_open_v2(path.c_str(), &m_db,
                                       SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) |
                                           SQLITE_OPEN_NOMUTEX,
                                       nullptr);
        if (rc != SQLITE_OK) {
            const std::string why = m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc);
            sqlite3_close(m_db);
            m_db = nullptr;
            throw StoreError(StoreMessage(name, "nelze otevřít: " + why));
        }
        sqlite3_busy_timeout(m_db, 60000);
        try {
            // A file that is no database says so here, not at the first write.
            // Larger pages for a store of millions of rows; this takes only
            // on a new, empty file.
            Exec("PRAGMA page_size = 16384");
            Exec("PRAGMA journal_mode = WAL");
            Exec("PRAGMA synchronous = NORMAL");
            Exec("PRAGMA foreign_keys = ON");
            Exec("PRAGMA temp_store = MEMORY");
            Exec("PRAGMA cache_size = -65536");
        } catch (...) {
            Close();
            throw;
        }
    }
    ~SqliteDb() override { Close(); }

    bool postgres() const override { return false; }

    void Exec(const std::string& sql, const std::vector<std::string>& params = {}) override
    {
        if (params.empty() && sql.find('$') == std::string::npos) {
            // Several statements, no parameters (the schema, pragmas).
            char* message = nullptr;
            if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
                const std::string why = message ? message : sqlite3_errmsg(m_db);
                sqlite3_free(message);
                Fail(why);
            }
            return;
        }
        sqlite3_stmt* stmt = Prepare(sql, params);
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        }
        Finish(stmt, rc);
    }

    StoreRows Query(const std::string& sql, const std::vector<std::string>& params = {}) override
    {
        sqlite3_stmt* stmt = Prepare(sql, params);
        StoreRows rows;
        int rc;
        const int columns = sqlite3_column_count(stmt);
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            std::vector<StoreField> row(static_cast<std::size_t>(columns));
            for (int c = 0; c < columns; ++c) {
                StoreField& f = row[static_cast<std::size_t>(c)];
                const int type = sqlite3_column_type(stmt, c);
                if (type == SQLITE_NULL) {
                    f.null = true;
                } else if (type == SQLITE_FLOAT) {
                    // Exactly: the text SQLite makes of a double has 15 digits.
                    char text[40];
                    std::snprintf(text, sizeof text, "%.17g", sqlite3_column_double(stmt, c));
                    f.text = text;
                } else {
                    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
                    f.text.assign(text ? text : "",
                                  static_cast<std::size_t>(sqlite3_column_bytes(stmt, c)));
                }
            }
            rows.push_back(std::move(row));
        }
        Finish(stmt, rc);
        return rows;
    }

    // Straight into the table: one B-tree per row, no staging copy. The old
    // rows of a file synced before go first, all of them: the rows of the
    // file are written again in the same transaction.
    void WriteReadings(const std::vector<ReadingRow>& rows, const std::string& file, bool known,
                       const std::string& from, const std::string& to) override
    {
        if (known)
            Exec("DELETE FROM kw_readings WHERE file_id = $1 AND start >= $2 AND start < $3",
                 {file, from, to});
        sqlite3_stmt* stmt = Prepare(
            "INSERT INTO kw_readings (channel_id, start, local_stamp, stored, shown, quality, "
            "file_id) VALUES ($1, $2, $3, $4, $5, $6, $7) ON CONFLICT (channel_id, start) DO "
            "UPDATE SET local_stamp = excluded.local_stamp, stored = excluded.stored, shown = "
            "excluded.shown, quality = excluded.quality, file_id = excluded.file_id WHERE "
            "kw_readings.local_stamp IS DISTINCT FROM excluded.local_stamp OR kw_readings.stored "
            "IS DISTINCT FROM excluded.stored OR kw_readings.shown IS DISTINCT FROM "
            "excluded.shown OR kw_readings.quality IS DISTINCT FROM excluded.quality OR "
            "kw_readings.file_id IS DISTINCT FROM excluded.file_id",
            {});
        char start[24], local[24];
        for (const ReadingRow& r : rows) {
            sqlite3_bind_int64(stmt, 1, r.channel);
            sqlite3_bind_text(stmt, 2, start, TimeChars(r.start, true, start), SQLITE_STATIC);
            sqlite3_bind_text(stmt, 3, local, TimeChars(r.localStamp, false, local), SQLITE_STATIC);
            // SQLite has no NaN: it is kept as NULL and read back as NaN.
            if (std::isnan(r.stored))
                sqlite3_bind_null(stmt, 4);
            else
                sqlite3_bind_double(stmt, 4, r.stored);
            if (std::isnan(r.shown))
                sqlite3_bind_null(stmt, 5);
            else
                sqlite3_bind_double(stmt, 5, r.shown);
            sqlite3_bind_int(stmt, 6, r.quality);
            sqlite3_bind_int64(stmt, 7, r.file);
            const int rc = sqlite3_step(stmt);
            if (rc != SQLITE_DONE)
                Finish(stmt, rc);
            sqlite3_reset(stmt);
        }
        Finish(stmt, SQLITE_DONE);
    }

    std::vector<StoredReading> ReadingsOf(int64_t channel, const std::string& from,
                                          const std::string& to) override
    {
        sqlite3_stmt* stmt =
            Prepare("SELECT file_id, local_stamp, stored, shown, quality FROM kw_readings WHERE "
                    "channel_id = $1 AND start >= $2 AND start < $3 ORDER BY start",
                    {std::to_string(channel), from, to});
        std::vector<StoredReading> out;
        int rc;
        const auto value = [&](int column) {
            return sqlite3_column_type(stmt, column) == SQLITE_NULL
                       ? std::numeric_limits<float>::quiet_NaN()
                       : static_cast<float>(sqlite3_column_double(stmt, column));
        };
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            StoredReading r;
            r.file = sqlite3_column_int64(stmt, 0);
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1));
            if (!text || !ParseStampText(text, r.localStamp))
                Fail("local_stamp " + std::string(text ? text : "NULL") + " is no time");
            r.stored = value(2);
            r.shown = value(3);
            r.quality = sqlite3_column_int(stmt, 4);
            out.push_back(r);
        }
        Finish(stmt, rc);
        return out;
    }

    void Begin(bool exclusive) override { Exec(exclusive ? "BEGIN IMMEDIATE" : "BEGIN"); }

    void Rollback() noexcept override
    {
        if (m_db && !sqlite3_get_autocommit(m_db))
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }

    void EnsurePartitions(const std::string&, const std::string&) override {}
    std::unique_ptr<StoreDb> OpenAnother() const override { return nullptr; }
    // The write lock of each month file's transaction keeps two syncs apart.
    void LockSite(int64_t) override {}

private:
    void Close()
    {
        for (auto& entry : m_statements)
            sqlite3_finalize(entry.second);
        m_statements.clear();
        if (m_db)
            sqlite3_close(m_db);
        m_db = nullptr;
    }

    [[noreturn]] void Fail(const std::string& why)
    {
        const int code = sqlite3_extended_errcode(m_db) & 0xff;
        std::string what = why;
        if (code == SQLITE_FULL)
            what = "disk je plný (" + why + ")";
        else if (code == SQLITE_NOTADB)
            what = "není databáze SQLite (" + why + ")";
        throw StoreError(StoreMessage(name(), what));
    }

    // A prepared statement kept for the next use, its parameters bound.
    sqlite3_stmt* Prepare(const std::string& sql, const std::vector<std::string>& params)
    {
        sqlite3_stmt*& stmt = m_statements[sql];
        if (!stmt && sqlite3_prepare_v2(m_db, sql.c_str(), static_cast<int>(sql.size()) + 1, &stmt,
                                        nullptr) != SQLITE_OK) {
            stmt = nullptr;
            m_statements.erase(sql);
            Fail(sqlite3_errmsg(m_db));
        }
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
        for (std::size_t i = 0; i < params.size(); ++i) {
            const std::string key = "$" + std::to_string(i + 1);
            const int index = sqlite3_bind_parameter_index(stmt, key.c_str());
            if (index > 0)
                sqlite3_bind_text(stmt, index, params[i].data(), static_cast<int>(params[i].size()),
                                  SQLITE_TRANSIENT);
        }
        return stmt;
    }

    void Finish(sqlite3_stmt* stmt, int rc)
    {
        if (rc == SQLITE_DONE) {
            sqlite3_reset(stmt);
            return;
        }
        const std::string why = sqlite3_errmsg(m_db);
        sqlite3_reset(stmt);
        Fail(why);
    }

    sqlite3* m_db = nullptr;
    std::map<std::string, sqlite3_stmt*> m_statements;
};

} // namespace

std::unique_ptr<StoreDb> OpenSqliteStore(const std::string& path, const std::string& name,
                                         bool create)
{
    return std::make_unique<SqliteDb>(path, name, create);
}

} // namespace kw
