// The one error type of the query builder and the database component.
#pragma once
#include <exception>
#include <string>
#include <utility>

namespace DBEXCEPTION {
class DatabaseException : public std::exception {
public:
    explicit DatabaseException(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};
} // namespace DBEXCEPTION
