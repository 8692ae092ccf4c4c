#include "db/Database.h"

#include <cstdlib>
#include <mutex>
#include <utility>

#include "Schema.h"
#include "SqliteDAO.h"

namespace DatabaseWrapper {
namespace {
// Stands in for a database that could not be opened: every statement fails with the reason, so
// the callers report a database error instead of meeting a missing storage.
class UnavailableDAO : public DatabaseDAO {
public:
    explicit UnavailableDAO(std::string reason) : reason_(std::move(reason)) {}
    std::vector<std::vector<std::string>> query(std::string) override { throw DBEXCEPTION::DatabaseException(reason_); }

private:
    std::string reason_;
};

std::mutex sharedMutex;
std::shared_ptr<DatabaseORM::storage_t> sharedStorage;

std::shared_ptr<DatabaseORM::storage_t> storageOver(std::shared_ptr<DatabaseDAO> dao, Schema schema) {
    return std::make_shared<DatabaseORM::storage_t>(std::move(dao), std::move(schema.tables),
                                                    std::move(schema.fieldsMaps));
}

std::shared_ptr<DatabaseORM::storage_t> open(const std::string& path) {
    auto dao = std::make_shared<SqliteDAO>(path);
    // One schema both creates the tables and describes them: building it costs more than a copy.
    Schema schema = mirrorSchema();
    dao->query(schema.createStatements);
    return storageOver(std::move(dao), std::move(schema));
}
} // namespace

std::shared_ptr<DatabaseORM::storage_t> makeStorage(std::shared_ptr<DatabaseDAO> dao) {
    return storageOver(std::move(dao), mirrorSchema());
}

std::shared_ptr<DatabaseORM::storage_t> openDatabase(const std::string& path) {
    auto storage = open(path);
    std::lock_guard<std::mutex> guard(sharedMutex);
    sharedStorage = storage;
    return storage;
}

std::shared_ptr<DatabaseORM::storage_t> resetDatabaseForTests() {
    return openDatabase(":memory:");
}
} // namespace DatabaseWrapper

std::shared_ptr<DatabaseORM::storage_t> getDatabasePointer() {
    using namespace DatabaseWrapper;
    std::lock_guard<std::mutex> guard(sharedMutex);
    if (!sharedStorage) {
        const char* named = std::getenv("PI_DATABASE");
        const std::string path = named != nullptr && *named != '\0' ? named : ":memory:";
        try {
            sharedStorage = open(path);
        } catch (const DBEXCEPTION::DatabaseException& e) {
            sharedStorage = makeStorage(std::make_shared<UnavailableDAO>(path + ": " + e.what()));
        }
    }
    return sharedStorage;
}
