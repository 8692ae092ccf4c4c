// Several threads scanning at once, as host and worker threads may.
#include "LumoTestSupport.h"

#include <atomic>
#include <functional>
#include <thread>

using namespace LumoTest;

namespace {

class ConcurrencyTest : public EmulatorTest {
protected:
    // Runs `round` kRounds times on each of `threads`; counts the rounds that return false.
    void inParallel(const std::vector<std::function<bool()>>& threads) {
        std::vector<std::thread> running;
        for (const auto& round : threads) {
            running.emplace_back([&] {
                for (int i = 0; i < kRounds; ++i)
                    failures += round() ? 0 : 1;
            });
        }
        for (auto& thread : running)
            thread.join();
    }

    static constexpr int kRounds = 40;
    std::atomic<int> failures{0};
};

TEST_F(ConcurrencyTest, ParallelScansGetWholeAnswersAndTheirOwnErrors) {
    const std::string expected = connectedRequest().answer;
    // The plugin's scan: detect, disconnect without a session, then the working session.
    const auto scan = [&] {
        Lumo_Detect();
        Lumo_Disconnect();
        const Exchange exchange = connectedRequest();
        return exchange.answer == expected && exchange.errorCode == LUMO_OK && exchange.errorText == "OK";
    };
    // One thread that only makes errors: they must not show up in the others' last error.
    const auto misuse = [] {
        Lumo_GetVersion(7);
        return Lumo_GetLastErrorCode() == LUMO_E_ARGUMENT;
    };
    inParallel({scan, scan, scan, scan, scan, scan, misuse});
    EXPECT_EQ(failures.load(), 0);
}

TEST_F(ConcurrencyTest, AnswerSwitchedDuringRequestsIsNeverTorn) {
    const std::string sample = example("sample.json");
    const std::string two = example("two-adapters.json");
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int flip = 0; !stop.load(); ++flip) {
            LumoEmu_SetAnswer(flip % 2 == 0 ? sample.c_str() : two.c_str());
            std::this_thread::yield();
        }
    });
    const auto read = [] {
        rapidjson::Document tree;
        return parses(connectedRequest().answer, tree);
    };
    inParallel(std::vector<std::function<bool()>>(6, read));
    stop = true;
    writer.join();
    EXPECT_EQ(failures.load(), 0);
}

} // namespace
