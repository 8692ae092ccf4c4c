// Names of the host's numeric codes. The tables are built once at load and never change,
// so lookups from any thread need no lock; a missing code gives the empty text.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace CodeNames {
enum class Table { Value, Status, Event, Operation, Property };

const std::string& Name(Table table, std::int32_t code);
inline const std::string& ValueName(std::int32_t code) {
    return Name(Table::Value, code);
}
inline const std::string& StatusName(std::int32_t code) {
    return Name(Table::Status, code);
}
inline const std::string& EventName(std::int32_t code) {
    return Name(Table::Event, code);
}
inline const std::string& OperationName(std::int32_t code) {
    return Name(Table::Operation, code);
}
inline const std::string& PropertyName(std::int32_t code) {
    return Name(Table::Property, code);
}

// The code a name stands for in a table (first code listed with it); false when none.
bool CodeOf(Table table, const std::string& name, std::int32_t& code);

// Number of codes a table names.
std::size_t Count(Table table);
} // namespace CodeNames
