// Result rows read back into the row models, as the plugin reads its own rows before an update.
// The database access object answers with cells cut from the input: byte 0 picks the model, then
// rows are separated by 0x1E and cells by 0x1F. Reading may fail only with the conversion errors of
// the standard library or the database error type; anything else, or a sanitizer report, is a find.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "db/Database.h"
#include "orm/RaidDataModels.h"
#include "orm/sqltext.h"
#include "orm/storage.h"

namespace {
using Rows = std::vector<std::vector<std::string>>;

class ScriptedDAO : public DatabaseWrapper::DatabaseDAO {
public:
    Rows rows;
    Rows query(std::string) override { return rows; }
};

Rows Cut(const std::uint8_t* data, std::size_t size) {
    Rows rows(1);
    rows.back().emplace_back();
    for (std::size_t i = 0; i < size; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == '\x1e') {
            rows.emplace_back();
            rows.back().emplace_back();
        } else if (c == '\x1f') {
            rows.back().emplace_back();
        } else {
            rows.back().back() += c;
        }
    }
    return rows;
}

// A list cell splits at "?" and joins back to the same text; anything else would change the row on
// the next write.
void CheckListRoundTrip(const std::string& cell) {
    std::vector<std::string> list;
    DatabaseORM::readCell(list, cell);
    if (cell == DatabaseORM::NULL_TEXT) {
        return;
    }
    if (DatabaseORM::valueText(list) != DatabaseORM::quotedText(cell)) {
        std::abort();
    }
}

template <class T> void ReadAll(const DatabaseORM::storage_t& storage) {
    using DatabaseORM::is_equal;
    using DatabaseORM::where;
    const auto models = storage.get_all<T>(where(is_equal(&T::HostName, "localhost")));
    // A model read back must still turn into a statement.
    for (const auto& model : models) {
        storage.update(model);
    }
}

template <> void ReadAll<RaidDataModels::Plugin>(const DatabaseORM::storage_t& storage) {
    using DatabaseORM::is_equal;
    using DatabaseORM::where;
    const auto models = storage.get_all<RaidDataModels::Plugin>(where(is_equal(&RaidDataModels::Plugin::Name, "x")));
    for (const auto& model : models) {
        storage.update(model);
    }
}

template <> void ReadAll<RaidDataModels::PD_LD>(const DatabaseORM::storage_t& storage) {
    using DatabaseORM::is_equal;
    using DatabaseORM::where;
    const auto models = storage.get_all<RaidDataModels::PD_LD>(where(is_equal(&RaidDataModels::PD_LD::SlotNumber, 1)));
    for (const auto& model : models) {
        storage.insert(model);
    }
}

void SelectAndMax(const DatabaseORM::storage_t& storage) {
    using DatabaseORM::columns;
    using DatabaseORM::is_equal;
    using DatabaseORM::where;
    (void)storage.select(columns(&RaidDataModels::LD::ID, &RaidDataModels::LD::UniqueID),
                         where(is_equal(&RaidDataModels::LD::Name, "n")));
    (void)storage.max(&RaidDataModels::Adapter::ID);
    (void)storage.max(&RaidDataModels::LD::ObjectID);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    static const auto dao = std::make_shared<ScriptedDAO>();
    static const auto storage = DatabaseWrapper::makeStorage(dao);
    dao->rows = Cut(data + 1, size - 1);
    for (const auto& row : dao->rows) {
        for (const auto& cell : row) {
            CheckListRoundTrip(cell);
        }
    }
    try {
        switch (data[0] % 6) {
        case 0:
            ReadAll<RaidDataModels::Plugin>(*storage);
            break;
        case 1:
            ReadAll<RaidDataModels::Adapter>(*storage);
            break;
        case 2:
            ReadAll<RaidDataModels::PD>(*storage);
            break;
        case 3:
            ReadAll<RaidDataModels::LD>(*storage);
            break;
        case 4:
            ReadAll<RaidDataModels::PD_LD>(*storage);
            break;
        default:
            SelectAndMax(*storage);
            break;
        }
    } catch (const std::invalid_argument&) {
    } catch (const std::out_of_range&) {
    } catch (const DBEXCEPTION::DatabaseException&) {
    }
    return 0;
}
