// The query builder: turns row models into SQL text, runs it through the database access object and
// turns result rows back into models. Every failure is a DBEXCEPTION::DatabaseException.
#pragma once
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "orm/DatabaseDAO.h"
#include "orm/DatabaseException.h"
#include "orm/conditions.h"
#include "orm/constants.h"
#include "orm/fieldsmap.h"
#include "orm/sqltext.h"
#include "orm/table.h"

namespace DatabaseORM {
// The model class and the value type of a pointer to member.
template <class M> struct member_traits;
template <class V, class T> struct member_traits<V T::*> {
    using class_type = T;
    using value_type = V;
};

// Calls f on every element of a tuple, in order.
template <class Tuple, class F> void for_each_in_tuple(Tuple&& tuple, F&& f) {
    std::apply([&f](auto&&... element) { (f(element), ...); }, std::forward<Tuple>(tuple));
}

class storage_t {
public:
    using Rows = std::vector<std::vector<std::string>>;
    using TableList = std::vector<std::shared_ptr<tableBase_t>>;
    using FieldsMapList = std::vector<std::shared_ptr<RaidDataModels::dbModelFieldsMapBase>>;

    storage_t(std::shared_ptr<DatabaseWrapper::DatabaseDAO> dao, TableList tables, FieldsMapList fieldsMaps,
              bool qualifyColumns = false)
        : qualify(qualifyColumns), tables_(std::move(tables)), fieldsMaps_(std::move(fieldsMaps)),
          dao_(std::move(dao)) {}

    // When set, conditions and select write each column as alias + "." + column.
    bool qualify = false;

    const TableList& tables() const { return tables_; }
    const FieldsMapList& fieldsMaps() const { return fieldsMaps_; }
    const std::shared_ptr<DatabaseWrapper::DatabaseDAO>& dao() const { return dao_; }

    template <class T> std::string extractAlias() const { return requireFieldsMap<T>(MAP_MISSING)->alias; }

    template <class T> std::string findTableName() const {
        const auto table = findTable<T>();
        if (!table) {
            throw DBEXCEPTION::DatabaseException("Empty tableName exception!");
        }
        return table->name;
    }

    template <class T, class V> std::string stringFromExpression(V const T::*member) const {
        const auto map = requireFieldsMap<T>(MODEL_MISSING);
        const std::string* name = map->template columnOf<std::remove_cv_t<V>>(RaidDataModels::positionOf(member));
        if (name == nullptr || name->empty()) {
            throw DBEXCEPTION::DatabaseException("Empty colName exception!");
        }
        return *name;
    }

    template <class M> std::string process_where(const is_equal_t<int, M>& condition) const {
        return equalityText(condition.member, std::to_string(condition.value));
    }
    template <class M> std::string process_where(const is_equal_t<std::string, M>& condition) const {
        return equalityText(condition.member, condition.value);
    }
    template <class M> std::string process_where(const is_equal_t<const char*, M>& condition) const {
        return equalityText(condition.member, condition.value == nullptr ? std::string() : condition.value);
    }
    // Other integer kinds render like int.
    template <class V, class M, std::enable_if_t<std::is_integral_v<V> && !std::is_same_v<V, int>, int> = 0>
    std::string process_where(const is_equal_t<V, M>& condition) const {
        return equalityText(condition.member, std::to_string(condition.value));
    }
    template <class L, class R> std::string process_where(const and_condition_t<L, R>& condition) const {
        return " (" + process_where(condition.left) + ") " + "AND" + " (" + process_where(condition.right) + ") ";
    }

    // Appends the WHERE clause of one top condition to out.
    template <class C> void process_single_condition(std::string& out, const C& condition) const {
        out += BLANK + "WHERE" + process_where(condition);
    }

    template <class T> void insert(T model) const {
        const auto map = requireFieldsMap<T>("Storage query exception thrown! No such model in map exist!");
        const auto table = requireTable<T>();
        const bool omitKey = table->omitsKeyOnInsert();
        std::string columnList;
        std::string valueList;
        forEachBinding(*map, model, [&](const RaidDataModels::FieldBinding& binding, auto& value, auto keyKind) {
            if constexpr (decltype(keyKind)::value) {
                if (binding.role == 0 && omitKey) {
                    probeRowId<T>(binding, value);
                    return;
                }
            }
            columnList += binding.name + COMMA_SEP;
            valueList += valueText(value) + COMMA_SEP;
        });
        dropLastSeparator(columnList);
        dropLastSeparator(valueList);
        std::string sql = prefix(*table) + "INSERT INTO" + BLANK + table->name + BLANK;
        if (omitKey) {
            sql += "(" + columnList + ")" + BLANK + "VALUES(" + valueList + ");";
        } else {
            sql += "VALUES(" + valueList + ");";
        }
        run(std::move(sql));
    }

    template <class T> void update(T model) const {
        const auto map = requireFieldsMap<T>(MODEL_MISSING);
        const auto table = requireTable<T>();
        std::string id = "-1";
        std::string items;
        forEachBinding(*map, model, [&](const RaidDataModels::FieldBinding& binding, auto& value, auto keyKind) {
            if constexpr (decltype(keyKind)::value) {
                if (binding.role == 0) {
                    id = std::to_string(value);
                    return;
                }
            }
            // appended piece by piece: a row model has over a hundred columns
            items += binding.name;
            items += '=';
            items += valueText(value);
            items += COMMA_SEP;
        });
        dropLastSeparator(items);
        std::string sql = prefix(*table);
        sql.reserve(sql.size() + items.size() + table->name.size() + 32);
        sql += "UPDATE";
        sql += BLANK;
        sql += table->name;
        sql += BLANK;
        sql += "SET";
        sql += BLANK;
        sql += items;
        sql += BLANK;
        sql += "WHERE ID = ";
        sql += id;
        sql += ';';
        run(std::move(sql));
    }

    template <class T, class C> std::vector<T> get_all(const where_t<C>& where) const {
        const auto map = requireFieldsMap<T>(MODEL_MISSING);
        const auto table = requireTable<T>();
        std::string sql = "SELECT" + BLANK + "*" + BLANK + "FROM" + BLANK + table->name + BLANK;
        process_single_condition(sql, where.condition);
        sql += BLANK;
        const Rows rows = run(std::move(sql));
        const auto cellTargets = cellBindings(*map, *table);
        std::vector<T> models;
        models.reserve(rows.size());
        for (const auto& row : rows) {
            T model{};
            for (std::size_t i = 0; i < row.size() && i < cellTargets.size(); ++i) {
                assignCell(model, cellTargets[i], row[i]);
            }
            models.push_back(std::move(model));
        }
        return models;
    }

    template <class T, class C> void remove_all(const where_t<C>& where) const {
        requireFieldsMap<T>(MODEL_MISSING);
        const auto table = requireTable<T>();
        std::string sql = prefix(*table) + "DELETE" + BLANK + "FROM" + BLANK + table->name;
        process_single_condition(sql, where.condition);
        run(sql);
    }

    template <class R, class T> R max(R T::*member) const {
        static_assert(std::is_same_v<R, int> || std::is_same_v<R, unsigned long>, "max reads int or unsigned long");
        const std::string column = stringFromExpression<T, R>(member);
        const Rows rows = run("SELECT" + BLANK + "MAX(" + column + ")" + BLANK + "FROM" + BLANK + findTableName<T>());
        R result{};
        if (!rows.empty() && !rows.front().empty()) {
            std::istringstream cell(rows.front().front());
            if (!(cell >> result)) {
                result = R{};
            }
        }
        return result;
    }

    template <class... M, class C>
    std::vector<std::tuple<typename member_traits<M>::value_type...>> select(const columns_t<M...>& columns,
                                                                             const where_t<C>& where) const {
        static_assert(sizeof...(M) > 0, "select needs at least one column");
        using T = typename member_traits<std::tuple_element_t<0, std::tuple<M...>>>::class_type;
        const std::vector<std::string> names = field_names_from_tuple(columns.members);
        std::string list;
        for (const auto& name : names) {
            list += name + COMMA_SEP;
        }
        dropLastSeparator(list);
        std::string sql = "SELECT" + BLANK + list + BLANK + "FROM" + BLANK + findTableName<T>();
        process_single_condition(sql, where.condition);
        const Rows rows = run(sql);

        using Tuple = std::tuple<typename member_traits<M>::value_type...>;
        const auto defaults = std::apply(
            [](auto... member) { return Tuple((typename member_traits<decltype(member)>::class_type{}.*member)...); },
            columns.members);
        std::vector<Tuple> result;
        result.reserve(rows.size());
        for (const auto& row : rows) {
            Tuple values = defaults;
            readRow(values, row, std::index_sequence_for<M...>{});
            result.push_back(std::move(values));
        }
        return result;
    }

    // The column texts of the members of a columns_t tuple (qualified when the flag is set).
    template <class... M> std::vector<std::string> field_names_from_tuple(const std::tuple<M...>& members) const {
        std::vector<std::string> names;
        for_each_in_tuple(members, [&](auto member) { names.push_back(columnText(member)); });
        return names;
    }

private:
    inline static const char* const MAP_MISSING = "Storage query exception thrown! No such model map exist.";
    inline static const char* const MODEL_MISSING = "Storage query exception thrown! No such model in map exist.";

    // Which member of the model one result cell goes to.
    struct CellTarget {
        enum class Kind { None, Int, UnsignedLong, String, StringList, Double } kind = Kind::None;
        std::uint64_t position = 0;
    };

    template <class T> std::shared_ptr<RaidDataModels::dbModelFieldsMap<T>> findFieldsMap() const {
        for (const auto& entry : fieldsMaps_) {
            const std::shared_ptr<RaidDataModels::dbModelFieldsMapBase> held = entry;
            if (auto map = std::dynamic_pointer_cast<RaidDataModels::dbModelFieldsMap<T>>(held)) {
                return map;
            }
        }
        return nullptr;
    }

    template <class T> std::shared_ptr<table_t<T>> findTable() const {
        for (const auto& entry : tables_) {
            const std::shared_ptr<tableBase_t> held = entry;
            if (auto table = std::dynamic_pointer_cast<table_t<T>>(held)) {
                return table;
            }
        }
        return nullptr;
    }

    template <class T>
    std::shared_ptr<RaidDataModels::dbModelFieldsMap<T>> requireFieldsMap(const char* message) const {
        auto map = findFieldsMap<T>();
        if (!map) {
            throw DBEXCEPTION::DatabaseException(message);
        }
        return map;
    }

    template <class T> std::shared_ptr<table_t<T>> requireTable() const {
        auto table = findTable<T>();
        if (!table) {
            throw DBEXCEPTION::DatabaseException("Empty tableName exception!");
        }
        return table;
    }

    template <class T> static std::string prefix(const table_t<T>& table) {
        return table.foreignKeys ? "PRAGMA foreign_keys = ON;" + BLANK : std::string();
    }

    static void dropLastSeparator(std::string& list) {
        if (list.size() >= COMMA_SEP.size()) {
            list.erase(list.size() - COMMA_SEP.size());
        }
    }

    Rows run(std::string sql) const {
        if (!dao_) {
            throw DBEXCEPTION::DatabaseException("Storage query exception thrown! (no database access object)");
        }
        try {
            return dao_->query(std::move(sql));
        } catch (const DBEXCEPTION::DatabaseException& e) {
            throw DBEXCEPTION::DatabaseException("Storage query exception thrown! (" + std::string(e.what()) + ")");
        }
    }

    // Runs the MAX probe that precedes an insert whose row ID the database assigns. Its result is
    // not used; a database that cannot answer it is not written to.
    template <class T, class V> void probeRowId(const RaidDataModels::FieldBinding& binding, const V&) const {
        try {
            (void)max(RaidDataModels::memberAt<V, T>(binding.position));
        } catch (const DBEXCEPTION::DatabaseException& e) {
            throw DBEXCEPTION::DatabaseException("Storage query exception thrown! Cannot read ID from database! (" +
                                                 std::string(e.what()));
        }
    }

    // Walks the binding lists in kind order int, unsigned long, std::string, std::vector<std::string>,
    // double; f(binding, member value, whether the kind can hold the row ID).
    template <class T, class F>
    static void forEachBinding(const RaidDataModels::dbModelFieldsMap<T>& map, T& model, F&& f) {
        walk<int>(map, model, f, std::true_type{});
        walk<unsigned long>(map, model, f, std::true_type{});
        walk<std::string>(map, model, f, std::false_type{});
        walk<std::vector<std::string>>(map, model, f, std::false_type{});
        walk<double>(map, model, f, std::false_type{});
    }
    template <class V, class T, class F, class KeyKind>
    static void walk(const RaidDataModels::dbModelFieldsMap<T>& map, T& model, F& f, KeyKind keyKind) {
        for (const auto& binding : map.template bindings<V>()) {
            f(binding, model.*RaidDataModels::memberAt<V, T>(binding.position), keyKind);
        }
    }

    template <class M> std::string columnText(M member) const {
        using T = typename member_traits<M>::class_type;
        using V = typename member_traits<M>::value_type;
        const std::string name = stringFromExpression<T, V>(member);
        return qualify ? extractAlias<T>() + "." + name : name;
    }

    // An unsigned member's value above INT64_MAX is written bare, as INSERT and UPDATE write it, so that
    // the database component maps the condition to the same stored bits; a quoted one would be read as
    // a REAL and match nothing.
    template <class M> std::string equalityText(M member, const std::string& value) const {
        using T = typename member_traits<M>::class_type;
        using V = std::remove_cv_t<typename member_traits<M>::value_type>;
        requireFieldsMap<T>(MAP_MISSING);
        const bool bare = std::is_same_v<V, unsigned long> && isUnsignedAboveInt64Max(value);
        return BLANK + columnText(member) + BLANK + "=" + BLANK + (bare ? value : quotedText(value));
    }

    // Cell i of a SELECT * row belongs to column i of the table description; a table described
    // without columns falls back to the member order of the bindings.
    template <class T>
    static std::vector<CellTarget> cellBindings(const RaidDataModels::dbModelFieldsMap<T>& map,
                                                const table_t<T>& table) {
        std::vector<std::pair<std::string, CellTarget>> all;
        collect(all, map.intFields, CellTarget::Kind::Int);
        collect(all, map.unsignedLongFields, CellTarget::Kind::UnsignedLong);
        collect(all, map.stringFields, CellTarget::Kind::String);
        collect(all, map.stringListFields, CellTarget::Kind::StringList);
        collect(all, map.doubleFields, CellTarget::Kind::Double);
        std::vector<CellTarget> targets;
        if (table.columns.empty()) {
            std::stable_sort(all.begin(), all.end(),
                             [](const auto& a, const auto& b) { return a.second.position < b.second.position; });
            for (const auto& entry : all) {
                targets.push_back(entry.second);
            }
            return targets;
        }
        // By name; of several bindings with one name the last one counts. Sorted once and searched,
        // rather than every column compared with every binding (a row model has over a hundred).
        std::stable_sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        targets.reserve(table.columns.size());
        for (const auto& column : table.columns) {
            CellTarget target;
            if (column) {
                auto last =
                    std::upper_bound(all.begin(), all.end(), column->name,
                                     [](const std::string& name, const auto& entry) { return name < entry.first; });
                if (last != all.begin() && std::prev(last)->first == column->name) {
                    target = std::prev(last)->second;
                }
            }
            targets.push_back(target);
        }
        return targets;
    }
    static void collect(std::vector<std::pair<std::string, CellTarget>>& all,
                        const std::vector<RaidDataModels::FieldBinding>& bindings, typename CellTarget::Kind kind) {
        for (const auto& binding : bindings) {
            CellTarget target;
            target.kind = kind;
            target.position = binding.position;
            all.emplace_back(binding.name, target);
        }
    }

    template <class T> static void assignCell(T& model, const CellTarget& target, const std::string& cell) {
        using Kind = typename CellTarget::Kind;
        switch (target.kind) {
        case Kind::Int:
            readCell(model.*RaidDataModels::memberAt<int, T>(target.position), cell);
            break;
        case Kind::UnsignedLong:
            readCell(model.*RaidDataModels::memberAt<unsigned long, T>(target.position), cell);
            break;
        case Kind::String:
            readCell(model.*RaidDataModels::memberAt<std::string, T>(target.position), cell);
            break;
        case Kind::StringList:
            readCell(model.*RaidDataModels::memberAt<std::vector<std::string>, T>(target.position), cell);
            break;
        case Kind::Double:
            readCell(model.*RaidDataModels::memberAt<double, T>(target.position), cell);
            break;
        case Kind::None:
            break;
        }
    }

    template <class Tuple, std::size_t... I>
    static void readRow(Tuple& values, const std::vector<std::string>& row, std::index_sequence<I...>) {
        ((I < row.size() ? readCell(std::get<I>(values), row[I]) : void()), ...);
    }

    TableList tables_;
    FieldsMapList fieldsMaps_;
    std::shared_ptr<DatabaseWrapper::DatabaseDAO> dao_;
};
} // namespace DatabaseORM
