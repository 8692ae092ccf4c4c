#include "Schema.h"

#include <algorithm>
#include <cctype>
#include <mutex>

#include "orm/RaidDataModels.h"
#include "orm/constants.h"

namespace DatabaseWrapper {
namespace {
template <class T> std::string createStatement(const DatabaseORM::table_t<T>& table) {
    std::string columns;
    for (const auto& column : table.columns) {
        if (!columns.empty()) {
            columns += DatabaseORM::COMMA_SEP;
        }
        columns += column->name + DatabaseORM::BLANK + column->type;
        if (column->primaryKey) {
            columns += DatabaseORM::BLANK + DatabaseORM::PRIMARY_KEY;
        }
    }
    return "DROP TABLE IF EXISTS " + table.name + "; CREATE TABLE " + table.name + " (" + columns + ");\n";
}

template <class T> void add(Schema& schema, const std::string& name, bool hasRowId) {
    auto table = DatabaseORM::makeTable<T>(name, hasRowId);
    table->foreignKeys = false;
    schema.createStatements += createStatement(*table);
    schema.tables.push_back(table);

    schema.fieldsMaps.push_back(RaidDataModels::dbModelFieldsMap<T>::instance());
}

template <class T> void setAlias(const std::string& name) {
    std::string alias = name;
    std::transform(alias.begin(), alias.end(), alias.begin(), [](unsigned char c) { return std::tolower(c); });
    RaidDataModels::dbModelFieldsMap<T>::instance()->alias = alias;
}
} // namespace

Schema mirrorSchema() {
    // The field maps are process-wide; their aliases are set once, before any storage uses them.
    static std::once_flag aliasesSet;
    std::call_once(aliasesSet, [] {
        setAlias<RaidDataModels::Plugin>("Plugin");
        setAlias<RaidDataModels::Adapter>("Adapter");
        setAlias<RaidDataModels::PD>("PD");
        setAlias<RaidDataModels::LD>("LD");
        setAlias<RaidDataModels::PD_LD>("PD_LD");
    });
    Schema schema;
    add<RaidDataModels::Plugin>(schema, "Plugin", true);
    add<RaidDataModels::Adapter>(schema, "Adapter", true);
    add<RaidDataModels::PD>(schema, "PD", true);
    add<RaidDataModels::LD>(schema, "LD", true);
    add<RaidDataModels::PD_LD>(schema, "PD_LD", false);
    return schema;
}
} // namespace DatabaseWrapper
