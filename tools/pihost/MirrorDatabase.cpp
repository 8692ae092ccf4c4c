#include "MirrorDatabase.h"

#include <memory>

#include <sqlite3.h>
#include <sys/stat.h>

#include "NameParsing.h"

namespace pihost {
namespace {

struct CloseDb {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct FinalizeStatement {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
typedef std::unique_ptr<sqlite3, CloseDb> DbHandle;
typedef std::unique_ptr<sqlite3_stmt, FinalizeStatement> StatementHandle;

bool Open(const std::string& path, int flags, DbHandle& db, std::string& error) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    db.reset(raw);
    if (rc != SQLITE_OK) {
        error = "cannot open database '" + path + "': " + (raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc));
        return false;
    }
    sqlite3_busy_timeout(raw, 5000);
    return true;
}

bool Prepare(sqlite3* db, const std::string& sql, StatementHandle& statement, std::string& error) {
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr);
    statement.reset(raw);
    if (rc != SQLITE_OK) {
        error = sqlite3_errmsg(db);
        return false;
    }
    return true;
}

bool TableExists(sqlite3* db, const std::string& name, bool& exists, std::string& error) {
    StatementHandle statement;
    if (!Prepare(db, "SELECT 1 FROM sqlite_master WHERE type='table' AND name=?1", statement, error)) {
        return false;
    }
    sqlite3_bind_text(statement.get(), 1, name.c_str(), -1, SQLITE_TRANSIENT);
    const int rc = sqlite3_step(statement.get());
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        error = sqlite3_errmsg(db);
        return false;
    }
    exists = rc == SQLITE_ROW;
    return true;
}

Cell ReadCell(sqlite3_stmt* statement, int column) {
    Cell cell;
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
        cell.type = Cell::Type::Integer;
        cell.integer = sqlite3_column_int64(statement, column);
        break;
    case SQLITE_FLOAT:
        cell.type = Cell::Type::Real;
        cell.real = sqlite3_column_double(statement, column);
        break;
    case SQLITE_NULL:
        break;
    default: {
        cell.type = Cell::Type::Text;
        const unsigned char* text = sqlite3_column_text(statement, column);
        if (text) {
            cell.text.assign(reinterpret_cast<const char*>(text),
                             static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
        }
        break;
    }
    }
    return cell;
}

bool ReadTable(sqlite3* db, TableRows& table, std::string& error) {
    if (!TableExists(db, table.name, table.present, error)) {
        return false;
    }
    if (!table.present) {
        return true;
    }
    StatementHandle statement;
    if (!Prepare(db, "SELECT * FROM \"" + table.name + "\" ORDER BY rowid", statement, error)) {
        return false;
    }
    const int columns = sqlite3_column_count(statement.get());
    for (int c = 0; c < columns; ++c) {
        table.columns.emplace_back(sqlite3_column_name(statement.get(), c));
    }
    for (;;) {
        const int rc = sqlite3_step(statement.get());
        if (rc == SQLITE_DONE) {
            return true;
        }
        if (rc != SQLITE_ROW) {
            error = sqlite3_errmsg(db);
            return false;
        }
        std::vector<Cell> row;
        row.reserve(static_cast<std::size_t>(columns));
        for (int c = 0; c < columns; ++c) {
            row.push_back(ReadCell(statement.get(), c));
        }
        table.rows.push_back(std::move(row));
    }
}
} // namespace

std::string DefaultDatabasePath(const char* xdgStateHome, const char* home, std::string& error) {
    // Relative values of the variable are to be ignored.
    if (xdgStateHome && xdgStateHome[0] == '/') {
        return std::string(xdgStateHome) + "/pidorv/pihost.db";
    }
    if (home && home[0] != '\0') {
        return std::string(home) + "/.local/state/pidorv/pihost.db";
    }
    error = "no place for the mirror: neither XDG_STATE_HOME nor HOME is set (name a file with --db)";
    return std::string();
}

bool CheckDatabasePath(const std::string& path, std::string& error) {
    DbHandle db;
    if (!Open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, db, error)) {
        return false;
    }
    if (sqlite3_db_readonly(db.get(), "main") == 1) {
        error = "database '" + path + "' cannot be written";
        return false;
    }
    char* message = nullptr;
    if (sqlite3_exec(db.get(), "PRAGMA schema_version", nullptr, nullptr, &message) != SQLITE_OK) {
        error = "cannot use database '" + path + "': " + (message ? message : "unknown error");
        sqlite3_free(message);
        return false;
    }
    return true;
}

bool ReadTables(const std::string& path, const std::vector<std::string>& names, std::vector<TableRows>& out,
                std::string& error) {
    out.clear();
    struct stat info;
    if (path == ":memory:" || path.empty()) {
        error = "an in-memory mirror ends with the plugin; name the file to read with --db or PI_DATABASE";
        return false;
    }
    if (::stat(path.c_str(), &info) != 0) {
        error = "no mirror at '" + path + "' (pihost writes it when it runs the plugin; --db names another file)";
        return false;
    }
    DbHandle db;
    if (!Open(path, SQLITE_OPEN_READONLY, db, error)) {
        return false;
    }
    std::string missing;
    for (const auto& name : MirrorTableNames()) {
        bool exists = false;
        std::string why;
        if (!TableExists(db.get(), name, exists, why)) {
            error = "'" + path + "' is not a pihost mirror: " + why;
            return false;
        }
        if (!exists) {
            missing += (missing.empty() ? "" : ", ") + name;
        }
    }
    if (!missing.empty()) {
        error = "'" + path + "' is not a pihost mirror: it has no table " + missing;
        return false;
    }
    for (const auto& name : names) {
        TableRows table;
        table.name = name;
        std::string why;
        if (!ReadTable(db.get(), table, why)) {
            error = "cannot read table " + name + " of '" + path + "': " + why;
            return false;
        }
        out.push_back(std::move(table));
    }
    return true;
}

} // namespace pihost
