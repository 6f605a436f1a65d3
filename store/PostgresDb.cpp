// The store on a PostgreSQL server, through libpq.

#include "store/Backends.h"

#include <libpq-fe.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <set>

namespace kw {

namespace {

struct ResultDeleter {
    void operator()(PGresult* r) const { PQclear(r); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

std::string Trimmed(const char* text)
{
    std::string s = text ? text : "";
    while (!s.empty() && (s.back() == '\n' || s.back() == ' '))
        s.pop_back();
    return s;
}

// "2024-03-01": the first day of the month after.
std::string NextMonth(const std::string& month)
{
    int y = std::atoi(month.substr(0, 4).c_str());
    int m = std::atoi(month.substr(5, 2).c_str()) + 1;
    if (m > 12) {
        m = 1;
        ++y;
    }
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-01", y, m);
    return text;
}

// Every row of the month file in one statement; a row already there with
// the same values is left as it is.
const char* const kUpsertFromStaging =
    "INSERT INTO kw_readings (channel_id, start, local_stamp, stored, shown, quality, file_id) "
    "SELECT channel_id, start, local_stamp, stored, shown, quality, file_id FROM kw_staging "
    "ON CONFLICT (channel_id, start) DO UPDATE SET local_stamp = EXCLUDED.local_stamp, stored = "
    "EXCLUDED.stored, shown = EXCLUDED.shown, quality = EXCLUDED.quality, file_id = "
    "EXCLUDED.file_id WHERE (kw_readings.local_stamp, kw_readings.stored, kw_readings.shown, "
    "kw_readings.quality, kw_readings.file_id) IS DISTINCT FROM (EXCLUDED.local_stamp, "
    "EXCLUDED.stored, EXCLUDED.shown, EXCLUDED.quality, EXCLUDED.file_id)";

// Big-endian, as the binary COPY takes integers.
template <typename T> void Put(std::string& out, T value)
{
    for (int shift = 8 * (static_cast<int>(sizeof(T)) - 1); shift >= 0; shift -= 8)
        out += static_cast<char>((value >> shift) & 0xff);
}

// A field: its length, then its bytes.
template <typename T> void PutField(std::string& out, T value)
{
    Put(out, static_cast<uint32_t>(sizeof(T)));
    Put(out, value);
}

uint32_t Bits(float value)
{
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// A big-endian integer of `size` bytes.
uint64_t Get(const char* at, int size)
{
    uint64_t v = 0;
    for (int i = 0; i < size; ++i)
        v = v << 8 | static_cast<unsigned char>(at[i]);
    return v;
}

// PostgreSQL counts times in microseconds since 1 January 2000; the archive
// in seconds since 30 December 1899, 36,526 days before.
int64_t Microseconds(int64_t seconds)
{
    return (seconds - int64_t{36526} * 86400) * 1000000;
}

int64_t Seconds(int64_t microseconds)
{
    const int64_t s = microseconds / 1000000 - (microseconds % 1000000 < 0 ? 1 : 0);
    return s + int64_t{36526} * 86400;
}

class PostgresDb final : public StoreDb {
public:
    PostgresDb(const std::string& conninfo, const std::string& password, const std::string& name)
        : StoreDb(name), m_conninfo(conninfo), m_password(password)
    {
        // The URL may set its own timeout; the password given wins over none.
        std::vector<const char*> keys{"connect_timeout", "application_name", "dbname"};
        std::vector<const char*> values{"10", "kwatrix", conninfo.c_str()};
        if (!password.empty()) {
            keys.push_back("password");
            values.push_back(password.c_str());
        }
        keys.push_back(nullptr);
        values.push_back(nullptr);
        m_conn = PQconnectdbParams(keys.data(), values.data(), 1);
        if (!m_conn || PQstatus(m_conn) != CONNECTION_OK) {
            const std::string why =
                m_conn ? Trimmed(PQerrorMessage(m_conn)) : std::string("nedostatek paměti");
            PQfinish(m_conn);
            m_conn = nullptr;
            throw StoreError(StoreMessage(name, "nelze se připojit: " + why));
        }
        // Times are written and read in UTC and ISO form, whatever the
        // server's settings. A commit need not wait for the disk: a month
        // file whose commit a crash of the server loses is not marked
        // synced either, and the next sync writes it again.
        Exec("SET TimeZone = 'UTC'; SET DateStyle = 'ISO, YMD'; SET client_encoding = 'UTF8'; "
             "SET extra_float_digits = 3; SET client_min_messages = warning; "
             "SET synchronous_commit = off");
    }
    ~PostgresDb() override { PQfinish(m_conn); }

    bool postgres() const override { return true; }

    void Exec(const std::string& sql, const std::vector<std::string>& params = {}) override
    {
        Run(sql, params);
    }

    StoreRows Query(const std::string& sql, const std::vector<std::string>& params = {}) override
    {
        const Result r = Run(sql, params);
        StoreRows rows;
        const int n = PQntuples(r.get()), columns = PQnfields(r.get());
        rows.reserve(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) {
            std::vector<StoreField> row(static_cast<std::size_t>(columns));
            for (int c = 0; c < columns; ++c) {
                StoreField& f = row[static_cast<std::size_t>(c)];
                f.null = PQgetisnull(r.get(), i, c) != 0;
                if (!f.null)
                    f.text.assign(PQgetvalue(r.get(), i, c),
                                  static_cast<std::size_t>(PQgetlength(r.get(), i, c)));
            }
            rows.push_back(std::move(row));
        }
        return rows;
    }

    void WriteReadings(const std::vector<ReadingRow>& rows, const std::string& file, bool known,
                       const std::string& from, const std::string& to) override
    {
        LoadStaging(rows);
        Exec(kUpsertFromStaging, {});
        if (known)
            Exec("DELETE FROM kw_readings WHERE file_id = $1 AND start >= $2 AND start < $3 AND "
                 "NOT EXISTS (SELECT 1 FROM kw_staging s WHERE s.channel_id = "
                 "kw_readings.channel_id AND s.start = kw_readings.start)",
                 {file, from, to});
    }

    std::vector<StoredReading> ReadingsOf(int64_t channel, const std::string& from,
                                          const std::string& to) override
    {
        // Binary results: no numbers and times to parse.
        const std::string id = std::to_string(channel);
        const char* values[] = {id.c_str(), from.c_str(), to.c_str()};
        // Prepared once: the partitions of the range are then chosen as it
        // runs, not planned again for each channel.
        if (!m_readingsPrepared) {
            Result p(PQprepare(m_conn, "kw_readings_of",
                               "SELECT file_id, local_stamp, stored, shown, quality FROM "
                               "kw_readings WHERE channel_id = $1::bigint AND start >= "
                               "$2::timestamptz AND start < $3::timestamptz ORDER BY start",
                               3, nullptr));
            if (PQresultStatus(p.get()) != PGRES_COMMAND_OK)
                Fail(p.get());
            m_readingsPrepared = true;
        }
        Result r(PQexecPrepared(m_conn, "kw_readings_of", 3, values, nullptr, nullptr, 1));
        if (PQresultStatus(r.get()) != PGRES_TUPLES_OK)
            Fail(r.get());
        const int n = PQntuples(r.get());
        std::vector<StoredReading> out(static_cast<std::size_t>(n));
        const auto field = [&](int row, int column, int size) {
            if (PQgetlength(r.get(), row, column) != size)
                throw StoreError(StoreMessage(name(), "nečekaný tvar hodnoty v kw_readings"));
            return Get(PQgetvalue(r.get(), row, column), size);
        };
        const auto real = [&](int row, int column) {
            if (PQgetisnull(r.get(), row, column))
                return std::numeric_limits<float>::quiet_NaN();
            const uint32_t bits = static_cast<uint32_t>(field(row, column, 4));
            float v;
            std::memcpy(&v, &bits, sizeof v);
            return v;
        };
        for (int i = 0; i < n; ++i) {
            StoredReading& s = out[static_cast<std::size_t>(i)];
            s.file = static_cast<int64_t>(field(i, 0, 8));
            s.localStamp = Seconds(static_cast<int64_t>(field(i, 1, 8)));
            s.stored = real(i, 2);
            s.shown = real(i, 3);
            s.quality = static_cast<int16_t>(field(i, 4, 2));
        }
        return out;
    }

    void Begin(bool) override { Exec("BEGIN"); }

    void Rollback() noexcept override
    {
        if (m_conn && PQtransactionStatus(m_conn) != PQTRANS_IDLE)
            PQclear(PQexec(m_conn, "ROLLBACK"));
    }

private:
    void LoadStaging(const std::vector<ReadingRow>& rows)
    {
        if (!m_staging) {
            Exec("CREATE TEMP TABLE IF NOT EXISTS kw_staging (channel_id bigint, start "
                 "timestamptz, local_stamp timestamp, stored real, shown real, quality "
                 "smallint, file_id bigint)");
            m_staging = true;
        }
        Exec("TRUNCATE kw_staging");
        // The binary form: the server parses no numbers and no times.
        Result start(PQexec(m_conn, "COPY kw_staging FROM STDIN (FORMAT binary)"));
        if (PQresultStatus(start.get()) != PGRES_COPY_IN)
            Fail();
        std::string buffer("PGCOPY\n\377\r\n\0", 11);
        buffer.append(8, '\0'); // no flags, no header extension
        buffer.reserve(1 << 17);
        const auto flush = [&] {
            if (PQputCopyData(m_conn, buffer.data(), static_cast<int>(buffer.size())) != 1)
                Fail();
            buffer.clear();
        };
        for (const ReadingRow& r : rows) {
            Put(buffer, uint16_t{7});
            PutField(buffer, static_cast<uint64_t>(r.channel));
            PutField(buffer, static_cast<uint64_t>(Microseconds(r.start)));
            PutField(buffer, static_cast<uint64_t>(Microseconds(r.localStamp)));
            PutField(buffer, Bits(r.stored));
            PutField(buffer, Bits(r.shown));
            PutField(buffer, static_cast<uint16_t>(r.quality));
            PutField(buffer, static_cast<uint64_t>(r.file));
            if (buffer.size() > (1 << 16))
                flush();
        }
        Put(buffer, uint16_t{0xffff}); // the end of the tuples
        flush();
        if (PQputCopyEnd(m_conn, nullptr) != 1)
            Fail();
        Result end(PQgetResult(m_conn));
        if (PQresultStatus(end.get()) != PGRES_COMMAND_OK)
            Fail(end.get());
        while (PGresult* more = PQgetResult(m_conn))
            PQclear(more);
    }

public:
    void EnsurePartitions(const std::string& firstMonth, const std::string& lastMonth) override
    {
        if (m_partitions.empty()) {
            for (const auto& row :
                 Query("SELECT c.relname FROM pg_inherits i JOIN pg_class c ON c.oid = i.inhrelid "
                       "WHERE i.inhparent = 'kw_readings'::regclass",
                       {}))
                m_partitions.insert(row[0].text);
            m_partitions.insert("");
        }
        for (std::string month = firstMonth.substr(0, 7) + "-01"; month <= lastMonth;
             month = NextMonth(month)) {
            const std::string table =
                "kw_readings_" + month.substr(0, 4) + "_" + month.substr(5, 2);
            if (m_partitions.count(table))
                continue;
            // Its own transaction, under a lock, so that two syncs never make
            // the same partition at once.
            Exec("BEGIN; SELECT pg_advisory_xact_lock(7207, 1); CREATE TABLE IF NOT EXISTS " +
                 table + " PARTITION OF kw_readings FOR VALUES FROM ('" + month +
                 " 00:00:00+00') TO ('" + NextMonth(month) + " 00:00:00+00'); COMMIT");
            m_partitions.insert(table);
        }
    }

    std::unique_ptr<StoreDb> OpenAnother() const override
    {
        return std::make_unique<PostgresDb>(m_conninfo, m_password, name());
    }

    void LockSite(int64_t site) override
    {
        Exec("SELECT pg_advisory_lock(7208, $1::integer)", {std::to_string(site)});
    }

private:
    Result Run(const std::string& sql, const std::vector<std::string>& params)
    {
        Result r;
        if (params.empty() && sql.find('$') == std::string::npos) {
            r.reset(PQexec(m_conn, sql.c_str()));
        } else {
            std::vector<const char*> values;
            for (const std::string& p : params)
                values.push_back(p.c_str());
            r.reset(PQexecParams(m_conn, sql.c_str(), static_cast<int>(values.size()), nullptr,
                                 values.data(), nullptr, nullptr, 0));
        }
        const ExecStatusType status = r ? PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            Fail(r.get());
        return r;
    }

    [[noreturn]] void Fail(const PGresult* r = nullptr)
    {
        std::string why = r ? Trimmed(PQresultErrorMessage(r)) : std::string();
        if (why.empty())
            why = Trimmed(PQerrorMessage(m_conn));
        if (PQstatus(m_conn) != CONNECTION_OK)
            why = "spojení se serverem se přerušilo: " + why;
        else if (r && PQresultErrorField(r, PG_DIAG_SQLSTATE) &&
                 std::string(PQresultErrorField(r, PG_DIAG_SQLSTATE)) == "53100")
            why = "disk serveru je plný (" + why + ")";
        throw StoreError(StoreMessage(name(), why));
    }

    std::string m_conninfo, m_password;
    PGconn* m_conn = nullptr;
    bool m_staging = false;
    bool m_readingsPrepared = false;
    std::set<std::string> m_partitions;
};

} // namespace

std::unique_ptr<StoreDb> OpenPostgresStore(const std::string& conninfo, const std::string& password,
                                           const std::string& name)
{
    return std::make_unique<PostgresDb>(conninfo, password, name);
}

} // namespace kw
