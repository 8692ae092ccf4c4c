// The database access object: the one door through which SQL text reaches the database.
#pragma once
#include <string>
#include <vector>

namespace DatabaseWrapper {
class DatabaseDAO {
public:
    virtual ~DatabaseDAO() = default;

    // Runs a whole SQL text (one or more statements) and returns the result rows as cell texts,
    // SQL NULL as "NULL". Throws DBEXCEPTION::DatabaseException with the database's message.
    virtual std::vector<std::vector<std::string>> query(std::string sql) = 0;
};
} // namespace DatabaseWrapper
