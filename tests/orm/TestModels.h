// Small row models with one member of each kind, named so that statement texts stay readable.
#pragma once
#include <cfloat>
#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "FakeDAO.h"
#include "orm/storage.h"

struct Row {
    int ID = INT_MIN;
    std::string A = "NULL";
    std::string B = "NULL";

    template <class F> static void forEachField(F&& f) {
        f(&Row::ID, "ID", 0);
        f(&Row::A, "A", 1);
        f(&Row::B, "B", 1);
    }
};

// Every kind, declared in an order different from the kind order the builder walks.
struct Mixed {
    std::string S = "NULL";
    int I = INT_MIN;
    unsigned long U = ULONG_MAX;
    std::vector<std::string> V;
    double D = static_cast<double>(FLT_MIN);
    int ID = INT_MIN;
    unsigned long W = static_cast<unsigned long>(static_cast<long>(INT_MIN));

    template <class F> static void forEachField(F&& f) {
        f(&Mixed::S, "S", 1);
        f(&Mixed::I, "I", 1);
        f(&Mixed::U, "U", 1);
        f(&Mixed::V, "V", 1);
        f(&Mixed::D, "D", 1);
        f(&Mixed::ID, "ID", 0);
        f(&Mixed::W, "W", 1);
    }
};

// No row-ID binding at all.
struct Link {
    int L = INT_MIN;
    std::string P = "NULL";

    template <class F> static void forEachField(F&& f) {
        f(&Link::L, "L", 1);
        f(&Link::P, "P", 1);
    }
};

template <class T> std::shared_ptr<RaidDataModels::dbModelFieldsMap<T>> mapOf(const char* alias) {
    auto map = std::make_shared<RaidDataModels::dbModelFieldsMap<T>>();
    map->alias = alias;
    return map;
}

// A storage over a fake access object with the given tables and maps of the test models.
struct Harness {
    std::shared_ptr<FakeDAO> dao = std::make_shared<FakeDAO>();
    std::shared_ptr<DatabaseORM::table_t<Row>> rowTable = DatabaseORM::makeTable<Row>("T");
    std::shared_ptr<DatabaseORM::table_t<Mixed>> mixedTable = DatabaseORM::makeTable<Mixed>("M");
    std::shared_ptr<RaidDataModels::dbModelFieldsMap<Row>> rowMap = mapOf<Row>("t");

    DatabaseORM::storage_t storage(bool qualify = false) const {
        return DatabaseORM::storage_t(dao, {rowTable, mixedTable, DatabaseORM::makeTable<Link>("K")},
                                      {rowMap, mapOf<Mixed>("m"), mapOf<Link>("k")}, qualify);
    }
};
