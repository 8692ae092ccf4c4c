// Every JSON document a process test saw pihost print is kept, one file per test, in PIHOST_JSON_RECORD_DIR;
// the pihost_json_schema test then checks them all against docs/pihost.schema.json. Call it with the standard
// output of each run.
#pragma once
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>
#include <sys/stat.h>

inline void RecordJsonDocuments(const std::string& standardOutput) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    ::mkdir(PIHOST_JSON_RECORD_DIR, 0755);
    std::ofstream file(std::string(PIHOST_JSON_RECORD_DIR) + "/" + test->test_suite_name() + "." + test->name() +
                           ".jsonl",
                       std::ios::app);
    std::istringstream lines(standardOutput);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty() && line[0] == '{')
            file << line << "\n";
}
