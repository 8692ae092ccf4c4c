#include "SqliteDAO.h"

#include <sqlite3.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "UnsignedLiterals.h"
#include "orm/DatabaseException.h"
#include "orm/constants.h"

namespace DatabaseWrapper {
namespace {
struct StatementCloser {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementCloser>;

bool isUnsignedColumn(sqlite3_stmt* statement, int column) {
    const char* declared = sqlite3_column_decltype(statement, column);
    return declared != nullptr && sqlite3_stricmp(declared, "UNSIGNED BIGINT") == 0;
}

// Shortest text that reads back as the same double.
std::string realText(double value) {
    char buffer[64];
    for (int precision : {15, 17}) {
        std::snprintf(buffer, sizeof(buffer), "%.*g", precision, value);
        if (std::strtod(buffer, nullptr) == value || std::isnan(value)) {
            break;
        }
    }
    return buffer;
}

std::string cellText(sqlite3_stmt* statement, int column) {
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL:
        return DatabaseORM::NULL_TEXT;
    case SQLITE_INTEGER: {
        const sqlite3_int64 value = sqlite3_column_int64(statement, column);
        if (isUnsignedColumn(statement, column)) {
            return std::to_string(static_cast<std::uint64_t>(value));
        }
        return std::to_string(value);
    }
    case SQLITE_FLOAT:
        return realText(sqlite3_column_double(statement, column));
    default: {
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, column));
        const int size = sqlite3_column_bytes(statement, column);
        return bytes == nullptr ? std::string() : std::string(bytes, static_cast<std::size_t>(size));
    }
    }
}

bool isMemoryDatabase(const std::string& path) {
    return path.empty() || path == ":memory:" || path.find("mode=memory") != std::string::npos;
}
} // namespace

SqliteDAO::SqliteDAO(const std::string& path, int busyTimeoutMs) {
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI;
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
        const std::string message = db_ != nullptr ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        db_ = nullptr;
        throw DBEXCEPTION::DatabaseException(message);
    }
    sqlite3_extended_result_codes(db_, 0);
    if (!isMemoryDatabase(path)) {
        sqlite3_busy_timeout(db_, busyTimeoutMs);
        try {
            run("PRAGMA journal_mode=WAL;");
        } catch (...) {
            sqlite3_close(db_);
            db_ = nullptr;
            throw;
        }
    }
}

SqliteDAO::~SqliteDAO() {
    sqlite3_close_v2(db_);
}

std::vector<std::vector<std::string>> SqliteDAO::query(std::string sql) {
    std::lock_guard<std::mutex> guard(mutex_);
    // Most texts hold no number above INT64_MAX; they skip the rewrite and its copy.
    if (!mayHoldUnsignedLiterals(sql)) {
        return run(sql);
    }
    return run(signedFormOfUnsignedLiterals(sql));
}

std::vector<std::vector<std::string>> SqliteDAO::run(const std::string& sql) {
    std::vector<std::vector<std::string>> rows;
    const char* next = sql.c_str();
    while (next != nullptr && *next != '\0') {
        sqlite3_stmt* raw = nullptr;
        const char* tail = nullptr;
        if (sqlite3_prepare_v2(db_, next, -1, &raw, &tail) != SQLITE_OK) {
            sqlite3_finalize(raw);
            throw DBEXCEPTION::DatabaseException(sqlite3_errmsg(db_));
        }
        Statement statement(raw);
        if (tail == next) {
            break;
        }
        next = tail;
        if (!statement) {
            continue; // only blanks or a comment were left
        }
        for (;;) {
            const int rc = sqlite3_step(statement.get());
            if (rc == SQLITE_DONE) {
                break;
            }
            if (rc != SQLITE_ROW) {
                throw DBEXCEPTION::DatabaseException(sqlite3_errmsg(db_));
            }
            const int columns = sqlite3_column_count(statement.get());
            std::vector<std::string> row;
            row.reserve(static_cast<std::size_t>(columns));
            for (int column = 0; column < columns; ++column) {
                row.push_back(cellText(statement.get(), column));
            }
            rows.push_back(std::move(row));
        }
    }
    return rows;
}
} // namespace DatabaseWrapper
