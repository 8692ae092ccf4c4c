#include "SqliteDAO.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <regex>

#include "UnsignedLiterals.h"
#include "orm/DatabaseException.h"
#include "orm/constants.h"

namespace DatabaseWrapper {
namespace {
struct StatementCloser {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementCloser>;

bool isUnsignedType(const char* declared) {
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
        if (isUnsignedType(sqlite3_column_decltype(statement, column))) {
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

// Resets a statement when the scope ends, so that a kept statement holds no lock between texts.
class StatementReset {
public:
    explicit StatementReset(sqlite3_stmt* statement) : statement_(statement) {}
    ~StatementReset() { sqlite3_reset(statement_); }
    StatementReset(const StatementReset&) = delete;
    StatementReset& operator=(const StatementReset&) = delete;

private:
    sqlite3_stmt* statement_;
};

const std::size_t KEPT_STATEMENTS = 16;

bool onlyBlanks(const char* text) {
    for (; *text != '\0'; ++text) {
        if (!std::isspace(static_cast<unsigned char>(*text))) {
            return false;
        }
    }
    return true;
}

// Steps the statement to its end and appends its rows, SQL NULL as "NULL".
void collectRows(sqlite3* db, sqlite3_stmt* statement, std::vector<std::vector<std::string>>& rows) {
    for (;;) {
        const int rc = sqlite3_step(statement);
        if (rc == SQLITE_DONE) {
            return;
        }
        if (rc != SQLITE_ROW) {
            throw DBEXCEPTION::DatabaseException(sqlite3_errmsg(db));
        }
        const int columns = sqlite3_column_count(statement);
        std::vector<std::string> row;
        row.reserve(static_cast<std::size_t>(columns));
        for (int column = 0; column < columns; ++column) {
            row.push_back(cellText(statement, column));
        }
        rows.push_back(std::move(row));
    }
}

// The column and table of "SELECT MAX(column) FROM table", the text the query builder's max writes.
bool isMaxQuery(const std::string& sql, std::string& column, std::string& table) {
    static const std::regex shape(R"(\s*SELECT\s+MAX\(\s*(\w+)\s*\)\s+FROM\s+(\w+)\s*;?\s*)", std::regex::icase);
    std::smatch match;
    if (!std::regex_match(sql, match, shape)) {
        return false;
    }
    column = match[1];
    table = match[2];
    return true;
}

// A signed integer cell as the unsigned value with the same bits.
std::string unsignedCell(const std::string& cell) {
    if (cell.empty() || cell.front() != '-') {
        return cell;
    }
    return std::to_string(static_cast<std::uint64_t>(std::stoll(cell)));
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
            // The mirror is rebuilt at every open, so a commit need not reach the disk before the call
            // returns; in WAL mode NORMAL still keeps the file consistent, and saves a sync per statement.
            run("PRAGMA synchronous=NORMAL;");
        } catch (...) {
            sqlite3_close(db_);
            db_ = nullptr;
            throw;
        }
    }
}

SqliteDAO::~SqliteDAO() {
    for (auto& kept : statements_) {
        sqlite3_finalize(kept.second);
    }
    sqlite3_close_v2(db_);
}

std::vector<std::vector<std::string>> SqliteDAO::query(std::string sql) {
    std::lock_guard<std::mutex> guard(mutex_);
    std::string column;
    std::string table;
    if (isMaxQuery(sql, column, table) && isUnsignedColumn(table, column)) {
        // Values above INT64_MAX are stored negative, so SQLite's MAX would rank them below 5: take
        // the greatest negative one when there is one, the greatest of all otherwise.
        auto rows = run("SELECT COALESCE(MAX(CASE WHEN " + column + " < 0 THEN " + column + " END), MAX(" + column +
                        ")) FROM " + table);
        for (auto& row : rows) {
            for (auto& cell : row) {
                cell = unsignedCell(cell);
            }
        }
        return rows;
    }
    // Most texts hold no number above INT64_MAX; they skip the rewrite and its copy.
    if (!mayHoldUnsignedLiterals(sql)) {
        return run(sql);
    }
    return run(signedFormOfUnsignedLiterals(sql));
}

std::vector<std::vector<std::string>> SqliteDAO::run(const std::string& sql) {
    std::vector<std::vector<std::string>> rows;
    if (sqlite3_stmt* kept = cachedStatement(sql)) {
        StatementReset reset(kept);
        collectRows(db_, kept, rows);
        return rows;
    }
    const char* next = sql.c_str();
    bool first = true;
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
        const bool wholeText = first && statement && onlyBlanks(tail);
        first = false;
        next = tail;
        if (!statement) {
            continue; // only blanks or a comment were left
        }
        {
            StatementReset reset(statement.get());
            collectRows(db_, statement.get(), rows);
        }
        if (wholeText) {
            keepStatement(sql, statement.release());
        }
    }
    return rows;
}

bool SqliteDAO::isUnsignedColumn(const std::string& table, const std::string& column) const {
    const char* declared = nullptr;
    return sqlite3_table_column_metadata(db_, nullptr, table.c_str(), column.c_str(), &declared, nullptr, nullptr,
                                         nullptr, nullptr) == SQLITE_OK &&
           isUnsignedType(declared);
}

sqlite3_stmt* SqliteDAO::cachedStatement(const std::string& sql) {
    for (auto kept = statements_.begin(); kept != statements_.end(); ++kept) {
        if (kept->first == sql) {
            std::rotate(statements_.begin(), kept, kept + 1);
            return statements_.front().second;
        }
    }
    return nullptr;
}

void SqliteDAO::keepStatement(const std::string& sql, sqlite3_stmt* statement) {
    if (statements_.size() == KEPT_STATEMENTS) {
        sqlite3_finalize(statements_.back().second);
        statements_.pop_back();
    }
    try {
        statements_.emplace(statements_.begin(), sql, statement);
    } catch (...) {
        sqlite3_finalize(statement);
        throw;
    }
}
} // namespace DatabaseWrapper
