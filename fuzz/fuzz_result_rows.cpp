// Result rows read back into the row models, as the plugin reads its own rows before an update.
// The database access object answers with cells cut from the input: byte 0 picks the model, then
// rows are separated by 0x1E and cells by 0x1F. Reading may fail only with the conversion errors of
// the standard library or the database error type; anything else, or a sanitizer report, is a find.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "db/Database.h"
#include "orm/RaidDataModels.h"
#include "orm/sqltext.h"
#include "orm/storage.h"

namespace {
using Rows = std::vector<std::vector<std::string>>;
using DatabaseORM::storage_t;

class ScriptedDAO : public DatabaseWrapper::DatabaseDAO {
public:
    Rows rows;
    Rows query(std::string) override { return rows; }
};

// Each model read back must still turn into a statement. A list cell splits at "?" and joins back to
// the same text; anything else would change the row on the next write.
template <class T, class M, class V> void ReadBack(const storage_t& storage, M T::*member, const V& value) {
    for (const auto& model : storage.get_all<T>(DatabaseORM::where(DatabaseORM::is_equal(member, value)))) {
        if constexpr (std::is_same_v<T, RaidDataModels::PD_LD>) {
            storage.insert(model);
        } else {
            storage.update(model);
        }
    }
}

void CheckListRoundTrip(const std::string& cell) {
    std::vector<std::string> list;
    DatabaseORM::readCell(list, cell);
    if (cell != DatabaseORM::NULL_TEXT && DatabaseORM::valueText(list) != DatabaseORM::quotedText(cell)) {
        std::abort();
    }
}

const std::function<void(const storage_t&)> READERS[] = {
    [](const storage_t& s) { ReadBack(s, &RaidDataModels::Plugin::Name, "x"); },
    [](const storage_t& s) { ReadBack(s, &RaidDataModels::Adapter::HostName, "localhost"); },
    [](const storage_t& s) { ReadBack(s, &RaidDataModels::PD::HostName, "localhost"); },
    [](const storage_t& s) { ReadBack(s, &RaidDataModels::LD::HostName, "localhost"); },
    [](const storage_t& s) { ReadBack(s, &RaidDataModels::PD_LD::SlotNumber, 1); },
    [](const storage_t& s) {
        using namespace DatabaseORM;
        (void)s.select(columns(&RaidDataModels::LD::ID, &RaidDataModels::LD::UniqueID),
                       where(is_equal(&RaidDataModels::LD::Name, "n")));
        (void)s.max(&RaidDataModels::Adapter::ID);
        (void)s.max(&RaidDataModels::LD::ObjectID);
    },
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    static const auto dao = std::make_shared<ScriptedDAO>();
    static const auto storage = DatabaseWrapper::makeStorage(dao);
    dao->rows.assign(1, {""});
    for (std::size_t i = 1; i < size; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == '\x1e') {
            dao->rows.push_back({""});
        } else if (c == '\x1f') {
            dao->rows.back().emplace_back();
        } else {
            dao->rows.back().back() += c;
        }
    }
    for (const auto& row : dao->rows) {
        for (const auto& cell : row) {
            CheckListRoundTrip(cell);
        }
    }
    try {
        READERS[data[0] % std::size(READERS)](*storage);
    } catch (const std::invalid_argument&) {
    } catch (const std::out_of_range&) {
    } catch (const DBEXCEPTION::DatabaseException&) {
    }
    return 0;
}
