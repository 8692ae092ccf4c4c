// The host database component: the one shared query builder over the mirror database.
#pragma once
#include <memory>
#include <string>

#include "orm/storage.h"

// The shared storage. The first call opens the database named by PI_DATABASE (default ":memory:")
// and (re)creates the mirror tables; later calls return the same storage. If the database cannot
// be opened, every statement of the returned storage fails with the open error.
std::shared_ptr<DatabaseORM::storage_t> getDatabasePointer();

namespace DatabaseWrapper {
// Opens (or creates) the database at path, recreates the mirror tables and makes it the storage
// that getDatabasePointer returns from now on. Throws DBEXCEPTION::DatabaseException on failure.
// Holders of the previous storage keep it.
std::shared_ptr<DatabaseORM::storage_t> openDatabase(const std::string& path);

// A fresh, empty in-memory database as the shared storage (for tests; call it before creating the
// objects that take getDatabasePointer()).
std::shared_ptr<DatabaseORM::storage_t> resetDatabaseForTests();

// A storage for the five row models on any access object (tests pass a fake one).
std::shared_ptr<DatabaseORM::storage_t> makeStorage(std::shared_ptr<DatabaseDAO> dao);
} // namespace DatabaseWrapper
