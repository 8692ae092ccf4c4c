// Result rows read back into the row models, as the plugin reads its own rows before an update. The access object
// answers with cells cut from the input: byte 0 picks the model, rows are separated by 0x1E and cells by 0x1F.
// Reading may fail only with the standard library's conversion errors or the database error type; a list cell
// must join back to its own text, and every model read must still turn into a statement.
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <stdexcept>

#include "db/Database.h"
#include "orm/RaidDataModels.h"
#include "orm/sqltext.h"

namespace {
using namespace DatabaseORM;
using namespace RaidDataModels;

struct ScriptedDAO : DatabaseWrapper::DatabaseDAO {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::vector<std::string>> query(std::string) override { return rows; }
};

template <class T, class M, class V> void ReadBack(const storage_t& storage, M T::*member, const V& value) {
    for (const auto& model : storage.get_all<T>(where(is_equal(member, value)))) {
        if constexpr (std::is_same_v<T, PD_LD>)
            storage.insert(model);
        else
            storage.update(model);
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    static const auto dao = std::make_shared<ScriptedDAO>();
    static const auto storage = DatabaseWrapper::makeStorage(dao);
    dao->rows.assign(1, {""});
    for (std::size_t i = 1; i < size; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == '\x1e')
            dao->rows.push_back({""});
        else if (c == '\x1f')
            dao->rows.back().emplace_back();
        else
            dao->rows.back().back() += c;
    }
    for (const auto& row : dao->rows) {
        for (const auto& cell : row) {
            std::vector<std::string> list;
            readCell(list, cell);
            if (cell != DatabaseORM::NULL_TEXT && valueText(list) != quotedText(cell))
                std::abort();
        }
    }
    const std::function<void()> readers[] = {[] { ReadBack(*storage, &Plugin::Name, "x"); },
                                             [] { ReadBack(*storage, &Adapter::HostName, "localhost"); },
                                             [] { ReadBack(*storage, &PD::HostName, "localhost"); },
                                             [] { ReadBack(*storage, &LD::HostName, "localhost"); },
                                             [] { ReadBack(*storage, &PD_LD::SlotNumber, 1); },
                                             [] {
                                                 (void)storage->select(columns(&LD::ID, &LD::UniqueID),
                                                                       where(is_equal(&LD::Name, "n")));
                                                 (void)storage->max(&Adapter::ID);
                                                 (void)storage->max(&LD::ObjectID);
                                             }};
    try {
        readers[data[0] % std::size(readers)]();
    } catch (const std::invalid_argument&) {
    } catch (const std::out_of_range&) {
    } catch (const DBEXCEPTION::DatabaseException&) {
    }
    return 0;
}
