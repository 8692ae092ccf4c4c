// The mirror schema: table descriptions and field maps of the five row models.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "orm/fieldsmap.h"
#include "orm/table.h"

namespace DatabaseWrapper {
struct Schema {
    std::vector<std::shared_ptr<DatabaseORM::tableBase_t>> tables;
    std::vector<std::shared_ptr<RaidDataModels::dbModelFieldsMapBase>> fieldsMaps;
    std::string createStatements; // DROP TABLE IF EXISTS + CREATE TABLE for every table
};

// Fresh table descriptions of Plugin, Adapter, PD, LD and PD_LD, and the field maps of the five
// models (aliases plugin, adapter, pd, ld and pd_ld).
Schema mirrorSchema();
} // namespace DatabaseWrapper
