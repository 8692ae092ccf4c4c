// The database access object over SQLite: one connection, statements serialised by one mutex.
#pragma once
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "orm/DatabaseDAO.h"

struct sqlite3;

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

    std::mutex mutex_;
    sqlite3* db_ = nullptr;
};
} // namespace DatabaseWrapper
