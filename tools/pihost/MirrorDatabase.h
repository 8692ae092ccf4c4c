// Reading the mirror tables straight from the SQLite file, and checking that the file can be used at all.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace pihost {

struct Cell {
    enum class Type { Null, Integer, Real, Text };
    Type type = Type::Null;
    std::int64_t integer = 0;
    double real = 0;
    std::string text;
};

struct TableRows {
    std::string name;
    bool present = false; // false when the file holds no such table
    std::vector<std::string> columns;
    std::vector<std::vector<Cell>> rows;
};

// Where the mirror goes when neither --db nor PI_DATABASE names it: $XDG_STATE_HOME/pidorv/pihost.db, or
// $HOME/.local/state/pidorv/pihost.db when XDG_STATE_HOME is unset or not absolute. Empty, with the reason,
// when neither gives a place.
std::string DefaultDatabasePath(const char* xdgStateHome, const char* home, std::string& error);

// Opens (creating when missing) the file for reading and writing and reads its schema, so that a directory,
// an unwritable file or a file that is not a database is refused before the plugin is loaded.
bool CheckDatabasePath(const std::string& path, std::string& error);

// Reads the named tables in the order given, every row ordered by its row ID, from a mirror opened read-only
// (a running plugin may be writing it). A missing file, ":memory:" and a file without all of the mirror
// tables are refused. Table names must come from MirrorTableNames(): they are put into the statement text.
bool ReadTables(const std::string& path, const std::vector<std::string>& names, std::vector<TableRows>& out,
                std::string& error);

} // namespace pihost
