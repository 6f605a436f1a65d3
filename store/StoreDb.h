#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kw {

// The store of many sites' readings: one small interface over the two
// databases it can be, an SQLite file (the default, no server) and a
// PostgreSQL server. The sync and the readers write the same SQL for both;
// only the table definitions and the bulk load differ.

// What went wrong with a store, in Czech, naming the store without its
// password.
class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "Úložiště „NAME“: WHAT", the start of every message about a store.
std::string StoreMessage(const std::string& name, const std::string& what);

// The URL of the store with any password replaced by "***": what every
// message, log line and title shows.
std::string RedactedStoreUrl(const std::string& url);
// The URL without its password, for remembering it: the password comes from
// ~/.pgpass, PGPASSWORD or the window that asks for it.
std::string UrlWithoutPassword(const std::string& url);
// The password's characters replaced by as many stars: for the program's
// own arguments, which `ps` shows.
std::string MaskedStoreUrl(const std::string& url);
// The program's folder of the user's own by the XDG variable (an absolute
// path), else under the home folder: "$XDG_DATA_HOME/kwatrix/".
std::string UserFolder(const char* variable, const char* underHome);
// The default store: "sqlite:" and kwatrix.sqlite in the user's data
// folder ($XDG_DATA_HOME/kwatrix/, else ~/.local/share/kwatrix/).
std::string DefaultStoreUrl();

// One row of the readings as the bulk load takes it.
struct ReadingRow {
    int64_t channel = 0;
    // Seconds since 30.12.1899: the start of the interval in UTC and the
    // stamp on the controller's clock.
    int64_t start = 0;
    int64_t localStamp = 0;
    float stored = 0;
    float shown = 0;
    int32_t quality = 0;
    int64_t file = 0;
};

// A result: rows of fields as text; a NULL is empty with `null` set.
struct StoreField {
    std::string text;
    bool null = false;
};
using StoreRows = std::vector<std::vector<StoreField>>;

// A reading as a reader of the store takes it back.
struct StoredReading {
    int64_t file = 0;
    int64_t localStamp = 0; // seconds since 30.12.1899
    float stored = 0, shown = 0;
    int32_t quality = 0;
};

class StoreDb {
public:
    virtual ~StoreDb() = default;
    StoreDb(const StoreDb&) = delete;
    StoreDb& operator=(const StoreDb&) = delete;

    virtual bool postgres() const = 0;
    // The store's URL without its password.
    const std::string& name() const { return m_name; }

    // Statements with parameters $1, $2, ... given as text; throw StoreError.
    virtual void Exec(const std::string& sql, const std::vector<std::string>& params = {}) = 0;
    virtual StoreRows Query(const std::string& sql,
                            const std::vector<std::string>& params = {}) = 0;
    // The readings of month file `file`, inside its transaction: each row
    // upserted (a row that is already there unchanged is not written again),
    // and when the file was synced before, its rows between `from` and `to`
    // that `rows` no longer has removed. PostgreSQL: COPY into a staging
    // table and one INSERT ... ON CONFLICT.
    virtual void WriteReadings(const std::vector<ReadingRow>& rows, const std::string& file,
                               bool known, const std::string& from, const std::string& to) = 0;

    // The readings of a channel with starts from `from` to `to` (exclusive),
    // by start, read typed: the year overview of many sites reads hundreds
    // of thousands.
    virtual std::vector<StoredReading> ReadingsOf(int64_t channel, const std::string& from,
                                                  const std::string& to) = 0;

    // One transaction; `exclusive` takes the write lock at once (SQLite).
    virtual void Begin(bool exclusive) = 0;
    void Commit() { Exec("COMMIT"); }
    // Never throws: it runs while another error is on its way.
    virtual void Rollback() noexcept = 0;

    // The readings' partition of each month from `firstMonth` to `lastMonth`
    // ("2024-03-01") made when missing; nothing on SQLite.
    virtual void EnsurePartitions(const std::string& firstMonth, const std::string& lastMonth) = 0;
    // A second connection to the same store for a second writer, or null
    // where one writer is all the store takes (SQLite).
    virtual std::unique_ptr<StoreDb> OpenAnother() const = 0;
    // Only one sync of a site at a time: waits for another to end. Held until
    // the connection closes.
    virtual void LockSite(int64_t site) = 0;

protected:
    explicit StoreDb(std::string name) : m_name(std::move(name)) {}

private:
    std::string m_name;
};

// Opens the store of `url` ("sqlite:PATH", "postgresql://..." or
// "postgres://...", or a libpq keyword string "host=... dbname=..."), with
// `password` when not empty. Throws StoreError naming the store. Without
// `create` an SQLite file that is not there is not made: a reader of a
// mistyped store gets an error, not a new empty store.
std::unique_ptr<StoreDb> OpenStore(const std::string& url, const std::string& password = {},
                                   bool create = true);

// The schema this program writes.
constexpr int32_t StoreSchemaVersion = 1;
// Creates the tables of an empty store, or checks the version of an
// existing one; a store of a newer schema is refused.
void EnsureStoreSchema(StoreDb& db);
// For readers: the store has this program's tables (a newer version is
// refused); nothing is created.
void CheckStoreSchema(StoreDb& db);

} // namespace kw
