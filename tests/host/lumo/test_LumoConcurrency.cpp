// Several threads scanning at once, as host and worker threads may.
#include "LumoTestSupport.h"

#include <atomic>
#include <thread>

using namespace LumoTest;

namespace {

class ConcurrencyTest : public EmulatorTest {};

constexpr int kThreads = 6;
constexpr int kRounds = 40;

TEST_F(ConcurrencyTest, ParallelScansGetWholeAnswersAndTheirOwnErrors) {
    const std::string expected = connectedRequest().answer;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int round = 0; round < kRounds; ++round) {
                // The plugin's scan: detect, disconnect without a session, then the working session.
                Lumo_Detect();
                Lumo_Disconnect();
                const Exchange exchange = connectedRequest();
                if (exchange.answer != expected || exchange.errorCode != LUMO_OK || exchange.errorText != "OK") {
                    ++failures;
                }
            }
        });
    }
    // One thread that only makes errors: they must not show up in the others' last error.
    threads.emplace_back([&] {
        for (int round = 0; round < kRounds; ++round) {
            Lumo_GetVersion(7);
            if (Lumo_GetLastErrorCode() != LUMO_E_ARGUMENT) {
                ++failures;
            }
        }
    });
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures.load(), 0);
}

TEST_F(ConcurrencyTest, AnswerSwitchedDuringRequestsIsNeverTorn) {
    const std::string sample = readFile(examplePath("sample.json"));
    const std::string two = readFile(examplePath("two-adapters.json"));
    std::atomic<bool> stop{false};
    std::atomic<int> failures{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < kThreads; ++t) {
        readers.emplace_back([&] {
            for (int round = 0; round < kRounds; ++round) {
                rapidjson::Document tree;
                const std::string answer = connectedRequest().answer;
                tree.Parse(answer.c_str());
                if (tree.HasParseError()) {
                    ++failures;
                }
            }
        });
    }
    std::thread writer([&] {
        for (int flip = 0; !stop.load(); ++flip) {
            LumoEmu_SetAnswer(flip % 2 == 0 ? sample.c_str() : two.c_str());
            std::this_thread::yield();
        }
    });
    for (auto& reader : readers) {
        reader.join();
    }
    stop = true;
    writer.join();
    EXPECT_EQ(failures.load(), 0);
}

} // namespace
