// Eight host threads drive the plugin with every command while the worker cycles at the shortest
// interval, events force extra cycles, and the emulated controller keeps changing its answer. The run
// lasts PIDORV_STRESS_SECONDS (20 by default). It checks that no thread hangs, that every status is
// one its command may return, that every SCAN_CONFIGURATION event reaches the host exactly once, and
// that the database mirrors the model at the end.
#include <array>
#include <atomic>
#include <climits>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ReliabilitySupport.h"

namespace reliability {
namespace {
const int HOST_THREADS = 8;
const int WATCHDOG_SLACK_SECONDS = 120;

int StressSeconds() {
    const char* text = std::getenv("PIDORV_STRESS_SECONDS");
    const int seconds = text != nullptr ? std::atoi(text) : 0;
    return seconds > 0 ? seconds : 20;
}

// The controller's answers the run switches between: the faults, then the answer (none: the last
// one stays). A restart is well-defined only while the controller shows one adapter (the first two).
const std::pair<const char*, std::string> VARIANTS[] = {
    {"none", DeviceTree({{SERIAL_A, "Dorv100 (0)"}})},
    {"none", DeviceTree({{SERIAL_A, "Dorv100 renamed (0)"}})},
    {"none", DeviceTree({{SERIAL_A, "Dorv100 (0)"}, {SERIAL_B, "Second Dorv100 (1)"}})},
    {"none", "{\"SIP\":{\"V\":1,\"CMD\":[{\"OC\":8624,\"ST\":0,\"DA\":\"{\\\"TavrinStorageDev"},
    {"no-controller", ""},
    {"delay:40", DeviceTree({{SERIAL_A, "Dorv100 slow (0)"}})},
};
const int ONE_ADAPTER_VARIANTS = 2;

class Stress : public PluginFixture {
protected:
    std::mutex lifecycle_; // the host runs its lifecycle commands one at a time
    std::atomic<int> variant_{0};
    std::array<std::atomic<long>, PI::EXECUTE_OPERATION + 1> sent_{}; // by command, 0: unknown ones
    std::atomic<long> wrongStatuses_{0};
    std::atomic<long> scansRaised_{0};     // SCAN_CONFIGURATION runs that returned 0: one event each
    std::atomic<long> eventsCollected_{0}; // SCAN_CONFIGURATION events handed out by GET_EVENTS

    void Apply(int variant) {
        LumoEmu_SetFaults(VARIANTS[variant].first);
        if (!VARIANTS[variant].second.empty()) {
            LumoEmu_SetAnswer(VARIANTS[variant].second.c_str());
        }
        variant_ = variant;
    }
    std::uint32_t Check(PI::_COMMAND command, std::uint32_t status) {
        ++sent_[command >= PI::INITIALIZE && command <= PI::EXECUTE_OPERATION ? command : 0];
        if (!IsAllowedStatus(command, status)) {
            ++wrongStatuses_;
            ADD_FAILURE() << "command " << command << " returned " << status;
        }
        return status;
    }
    void Collect(unsigned long plugin) {
        PI::COperation op(OP_GET_EVENTS);
        Check(PI::EXECUTE_OPERATION, Execute(PI::EXECUTE_OPERATION, plugin, &op));
        for (const auto& event : op.m_Events) {
            eventsCollected_ += event.m_Code == EVENT_SCAN_CONFIGURATION ? 1 : 0;
        }
    }
    // A restart as a host does it: stop, scan again, start the threads (20000 when not restarted).
    void Restart() {
        std::lock_guard<std::mutex> guard(lifecycle_);
        if (variant_.load() < ONE_ADAPTER_VARIANTS) {
            Check(PI::DEINITIALIZE, Execute(PI::DEINITIALIZE, 0, nullptr));
            std::vector<PI::CAdapterID> ids;
            Check(PI::INITIALIZE, Execute(PI::INITIALIZE, 0, &ids));
        }
        Check(PI::SET_ADAPTER_IDS, StartThreads());
    }

    void Host(int index, std::chrono::steady_clock::time_point end) {
        std::mt19937_64 random(0x5eed0000u + static_cast<unsigned>(index));
        unsigned long plugin = 0;
        std::vector<unsigned long> adapters;
        auto pickObject = [&]() -> unsigned long {
            const auto roll = random() % 10;
            if (roll < 4 || adapters.empty()) {
                return roll == 0 ? random() : plugin; // now and then an identifier nobody has
            }
            return adapters[random() % adapters.size()];
        };
        for (long iteration = 1; std::chrono::steady_clock::now() < end; ++iteration) {
            const int choice = iteration == 1 ? 0 : static_cast<int>(random() % 100);
            if (choice < 10) {
                std::vector<PI::CObject> topology;
                Check(PI::GET_TOPOLOGY, Execute(PI::GET_TOPOLOGY, 0, &topology));
                if (!topology.empty()) {
                    plugin = topology.front().m_ID;
                    adapters.clear();
                    for (const auto& object : topology) {
                        if (object.m_Type == 19037) {
                            adapters.push_back(object.m_ID);
                        }
                    }
                }
            } else if (choice < 20) {
                std::vector<PI::CProperty> properties;
                Check(PI::GET_PROPERTIES, Execute(PI::GET_PROPERTIES, pickObject(), &properties));
            } else if (choice < 30) {
                const std::array<PI::_PROPERTY_ID, 6> codes = {1, PROP_NAME, PROP_POLL_INTERVAL, 30017, 0, INT_MAX};
                PI::CProperty property(codes[random() % codes.size()], false);
                Check(PI::GET_PROPERTY, Execute(PI::GET_PROPERTY, pickObject(), &property));
            } else if (choice < 36) {
                PI::CProperty property(random() % 4 == 0 ? PROP_NAME : PROP_POLL_INTERVAL, true);
                property.SetValue(std::int64_t{2}, std::int64_t{2}, std::int64_t{255}, std::int64_t{1});
                Check(PI::SET_PROPERTY,
                      Execute(PI::SET_PROPERTY, random() % 3 == 0 ? pickObject() : plugin, &property));
            } else if (choice < 44) {
                std::vector<PI::COperation> operations;
                Check(PI::GET_OPERATIONS, Execute(PI::GET_OPERATIONS, pickObject(), &operations));
            } else if (choice < 50) {
                PI::COperation op(static_cast<std::int32_t>(random()));
                Check(PI::CHECK_OPERATION, Execute(PI::CHECK_OPERATION, pickObject(), &op));
            } else if (choice < 72 && !adapters.empty()) {
                PI::COperation op(OP_SCAN_CONFIGURATION);
                const unsigned long adapter = adapters[random() % adapters.size()];
                scansRaised_ += Check(PI::EXECUTE_OPERATION, Execute(PI::EXECUTE_OPERATION, adapter, &op)) == 0 ? 1 : 0;
            } else if (choice < 86) {
                Collect(plugin);
            } else if (choice < 92) {
                PI::COperation op(random() % 2 == 0 ? OP_GET_RAID_LEVEL_INFORMATION
                                                    : static_cast<std::int32_t>(random()));
                Check(PI::EXECUTE_OPERATION, Execute(PI::EXECUTE_OPERATION, pickObject(), &op));
            } else if (choice < 98) {
                std::vector<PI::CObject> untouched;
                // Outside 1..10 only: a known command would read the data as its own record.
                const std::array<std::int32_t, 4> unknown = {0, 11, INT_MIN, INT_MAX};
                const auto code =
                    static_cast<PI::_COMMAND>(random() % 2 == 0 ? unknown[random() % unknown.size()]
                                                                : static_cast<std::int32_t>(random() % 1000000 + 11));
                Check(code, Execute(code, pickObject(), &untouched));
            } else {
                std::lock_guard<std::mutex> guard(lifecycle_);
                Check(PI::SET_ADAPTER_IDS, StartThreads()); // the threads already run: 20000
            }
            // One thread restarts the plugin now and then, as a host reloading its plugins would.
            if (index == 0 && iteration % 200 == 0) {
                Restart();
            }
        }
    }
};

TEST_F(Stress, HostThreadsWorkerAndChangingController) {
    const int seconds = StressSeconds();
    Apply(0);
    Create();
    ASSERT_EQ(Initialize(), 0u);
    ASSERT_EQ(SetPollInterval(2), 0u);
    ASSERT_EQ(StartThreads(), 0u);
    Restart(); // at least one whole restart, whatever the run's length

    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    std::atomic<int> finished{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < HOST_THREADS; ++i) {
        threads.emplace_back([&, i] {
            Host(i, end);
            finished.fetch_add(1);
        });
    }
    std::thread controller([&] {
        std::mt19937 random(7);
        while (std::chrono::steady_clock::now() < end && finished.load() < HOST_THREADS) {
            {
                std::lock_guard<std::mutex> guard(lifecycle_);
                Apply(static_cast<int>(random() % std::size(VARIANTS)));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20 + random() % 120));
        }
    });
    // No deadlock: every host thread ends within the run plus a generous slack.
    if (!Eventually([&] { return finished.load() == HOST_THREADS; }, seconds + WATCHDOG_SLACK_SECONDS)) {
        std::fprintf(stderr, "stress: %d of %d host threads still running after %d s\n", HOST_THREADS - finished.load(),
                     HOST_THREADS, seconds + WATCHDOG_SLACK_SECONDS);
        std::abort(); // the threads cannot be joined; end the run loudly
    }
    for (auto& thread : threads) {
        thread.join();
    }
    controller.join();

    // A settled controller: the worker brings model and rows in step.
    LumoEmu_SetFaults("none");
    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Dorv100 final (0)"}, {SERIAL_B, "Second Dorv100 (1)"}}).c_str());
    ASSERT_TRUE(WaitForCycles(2));
    ASSERT_EQ(AdapterNames(), (std::vector<std::string>{"Dorv100 final (0)", "Second Dorv100 (1)"}));
    // Events still queued count as not yet collected, never as lost.
    Collect(PluginId());
    long queued = 0;
    {
        std::lock_guard<std::mutex> guard(Peer::eL(Impl()));
        for (const auto& event : Peer::events(Impl())) {
            queued += event.m_Code == EVENT_SCAN_CONFIGURATION ? 1 : 0;
        }
    }
    EXPECT_EQ(wrongStatuses_.load(), 0);
    EXPECT_EQ(scansRaised_.load(), eventsCollected_.load() + queued) << "each event is handed out exactly once";
    ExpectRowsMirrorModel();

    for (int command = 1; command <= PI::EXECUTE_OPERATION; ++command) {
        EXPECT_GT(sent_[command].load(), 0) << "command " << command << " was never sent";
    }
}
} // namespace
} // namespace reliability
