// Table descriptions: the table of each row model, with its columns in member order.
#pragma once
#include <algorithm>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace DatabaseORM {
class tableBase_t {
public:
    virtual ~tableBase_t() = default;
};

template <class T> struct column_t {
    std::string name;
    std::string type; // declared SQL type
    bool primaryKey = false;
    bool omitOnInsert = false; // key-omission flag: the database assigns this column's value
};

template <class T> class table_t : public tableBase_t {
public:
    bool foreignKeys = false; // when set, every statement starts with "PRAGMA foreign_keys = ON;"
    std::string name;
    std::vector<std::shared_ptr<column_t<T>>> columns;

    bool omitsKeyOnInsert() const {
        return std::any_of(columns.begin(), columns.end(), [](const auto& c) { return c && c->omitOnInsert; });
    }
};

// Declared SQL type of a member kind. Unsigned 64-bit values get their own declared type (integer
// affinity) so that the database component can show values above INT64_MAX as unsigned again.
template <class V> std::string sqlTypeOf() {
    using K = std::remove_cv_t<V>;
    if constexpr (std::is_same_v<K, int>) {
        return "INTEGER";
    } else if constexpr (std::is_same_v<K, unsigned long>) {
        return "UNSIGNED BIGINT";
    } else if constexpr (std::is_same_v<K, double>) {
        return "REAL";
    } else {
        return "TEXT";
    }
}

// The table of model T: one column per member, in member order, named as T::forEachField names
// it. The role-0 member becomes the INTEGER PRIMARY KEY and carries the key-omission flag when
// omitKeyOnInsert is set.
template <class T> std::shared_ptr<table_t<T>> makeTable(std::string name, bool omitKeyOnInsert = true) {
    auto table = std::make_shared<table_t<T>>();
    table->name = std::move(name);
    T::forEachField([&](auto member, const char* columnName, int role) {
        using V = std::remove_reference_t<decltype(std::declval<T&>().*member)>;
        auto column = std::make_shared<column_t<T>>();
        column->name = columnName;
        column->type = sqlTypeOf<V>();
        if (role == 0) {
            column->type = "INTEGER";
            column->primaryKey = true;
            column->omitOnInsert = omitKeyOnInsert;
        }
        table->columns.push_back(std::move(column));
    });
    return table;
}
} // namespace DatabaseORM
