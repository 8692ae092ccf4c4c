// The database access object over SQLite: one connection, statements serialised by one mutex.
#pragma once
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "orm/DatabaseDAO.h"

struct sqlite3;
struct sqlite3_stmt;

namespace DatabaseWrapper {
class SqliteDAO : public DatabaseDAO {
public:
    static constexpr int DEFAULT_BUSY_TIMEOUT_MS = 2000;

    // Opens path (":memory:", a file name or a "file:" URI). File databases use WAL and wait up to
    // busyTimeoutMs for another connection's lock. Throws DBEXCEPTION::DatabaseException.
    explicit SqliteDAO(const std::string& path, int busyTimeoutMs = DEFAULT_BUSY_TIMEOUT_MS);
    ~SqliteDAO() override;
    SqliteDAO(const SqliteDAO&) = delete;
    SqliteDAO& operator=(const SqliteDAO&) = delete;

    // Runs every statement of sql in turn; the rows of all of them, SQL NULL as "NULL".
    std::vector<std::vector<std::string>> query(std::string sql) override;

private:
    std::vector<std::vector<std::string>> run(const std::string& sql);
    bool isUnsignedColumn(const std::string& table, const std::string& column) const;
    sqlite3_stmt* cachedStatement(const std::string& sql);
    void keepStatement(const std::string& sql, sqlite3_stmt* statement);

    std::mutex mutex_;
    sqlite3* db_ = nullptr;
    // Prepared statements of the latest single-statement texts, most recent first. A poller sends the
    // same texts again and again, and preparing is most of what a short statement costs.
    std::vector<std::pair<std::string, sqlite3_stmt*>> statements_;
};
} // namespace DatabaseWrapper
