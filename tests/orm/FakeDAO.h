// A database access object that records every SQL text and answers from a script.
#pragma once
#include <deque>
#include <string>
#include <vector>

#include "orm/DatabaseDAO.h"
#include "orm/DatabaseException.h"

class FakeDAO : public DatabaseWrapper::DatabaseDAO {
public:
    using Rows = std::vector<std::vector<std::string>>;

    std::vector<std::string> texts;
    std::deque<Rows> answers;     // one per query, in order; an empty queue answers no rows
    std::string failWhenContains; // a text containing this throws failMessage
    std::string failMessage = "boom";

    Rows query(std::string sql) override {
        texts.push_back(sql);
        if (!failWhenContains.empty() && sql.find(failWhenContains) != std::string::npos) {
            throw DBEXCEPTION::DatabaseException(failMessage);
        }
        if (answers.empty()) {
            return {};
        }
        Rows rows = answers.front();
        answers.pop_front();
        return rows;
    }
};
