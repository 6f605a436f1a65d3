// The store on a PostgreSQL server, through libpq.

#include "store/Backends.h"

#include <libpq-fe.h>

#include <cmath>
#include <cstdio>
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

void AppendFloat(std::string& out, float value)
{
    if (std::isnan(value)) {
        out += "NaN";
    } else if (std::isinf(value)) {
        out += value > 0 ? "Infinity" : "-Infinity";
    } else {
        // Nine digits give every float back exactly.
        char text[32];
        out.append(text, static_cast<std::size_t>(std::snprintf(text, sizeof text, "%.9g",
                                                                static_cast<double>(value))));
    }
}

class PostgresDb final : public StoreDb {
public:
    PostgresDb(const std::string& conninfo, const std::string& password, const std::string& name)
        : StoreDb(name)
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
        // server's settings.
        Exec("SET TimeZone = 'UTC'; SET DateStyle = 'ISO, YMD'; SET client_encoding = 'UTF8'; "
             "SET extra_float_digits = 3; SET client_min_messages = warning");
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

    void LoadStaging(const std::vector<ReadingRow>& rows) override
    {
        if (!m_staging) {
            Exec("CREATE TEMP TABLE IF NOT EXISTS kw_staging (channel_id bigint, start "
                 "timestamptz, local_stamp timestamp, stored real, shown real, quality "
                 "smallint, file_id bigint)");
            m_staging = true;
        }
        Exec("TRUNCATE kw_staging");
        Result start(PQexec(m_conn, "COPY kw_staging FROM STDIN"));
        if (PQresultStatus(start.get()) != PGRES_COPY_IN)
            Fail();
        std::string buffer;
        buffer.reserve(1 << 17);
        const auto flush = [&] {
            if (PQputCopyData(m_conn, buffer.data(), static_cast<int>(buffer.size())) != 1)
                Fail();
            buffer.clear();
        };
        for (const ReadingRow& r : rows) {
            buffer += std::to_string(r.channel);
            buffer += '\t';
            buffer += r.start;
            buffer += '\t';
            buffer += r.localStamp;
            buffer += '\t';
            AppendFloat(buffer, r.stored);
            buffer += '\t';
            AppendFloat(buffer, r.shown);
            buffer += '\t';
            buffer += std::to_string(r.quality);
            buffer += '\t';
            buffer += std::to_string(r.file);
            buffer += '\n';
            if (buffer.size() > (1 << 16))
                flush();
        }
        if (!buffer.empty())
            flush();
        if (PQputCopyEnd(m_conn, nullptr) != 1)
            Fail();
        Result end(PQgetResult(m_conn));
        if (PQresultStatus(end.get()) != PGRES_COMMAND_OK)
            Fail(end.get());
        while (PGresult* more = PQgetResult(m_conn))
            PQclear(more);
    }

    void Begin(bool) override { Exec("BEGIN"); }

    void Rollback() noexcept override
    {
        if (m_conn && PQtransactionStatus(m_conn) != PQTRANS_IDLE)
            PQclear(PQexec(m_conn, "ROLLBACK"));
    }

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
            const std::string table = "kw_readings_" + month.substr(0, 4) + "_" + month.substr(5, 2);
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

    PGconn* m_conn = nullptr;
    bool m_staging = false;
    std::set<std::string> m_partitions;
};

} // namespace

std::unique_ptr<StoreDb> OpenPostgresStore(const std::string& conninfo,
                                           const std::string& password, const std::string& name)
{
    return std::make_unique<PostgresDb>(conninfo, password, name);
}

} // namespace kw
