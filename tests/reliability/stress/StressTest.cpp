// Eight host threads drive the plugin with every command while the worker cycles at the shortest
// interval, events force extra cycles, and the emulated controller keeps changing its answer. The run
// lasts PIDORV_STRESS_SECONDS (20 by default). It checks that no thread hangs, that every status is
// one its command may return, that every SCAN_CONFIGURATION event reaches the host exactly once, and
// that the database mirrors the model at the end.
#include <array>
#include <atomic>
#include <climits>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <thread>
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

// The controller's answers the run switches between.
enum Variant { ONE_ADAPTER, RENAMED, SECOND_ADAPTER, MALFORMED, NO_CONTROLLER, SLOW, VARIANTS };

void Apply(Variant variant) {
    switch (variant) {
    case ONE_ADAPTER:
        LumoEmu_SetFaults("none");
        LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Dorv100 (0)"}}).c_str());
        break;
    case RENAMED:
        LumoEmu_SetFaults("none");
        LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Dorv100 renamed (0)"}}).c_str());
        break;
    case SECOND_ADAPTER:
        LumoEmu_SetFaults("none");
        LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Dorv100 (0)"}, {SERIAL_B, "Second Dorv100 (1)"}}).c_str());
        break;
    case MALFORMED:
        LumoEmu_SetFaults("none");
        LumoEmu_SetAnswer("{\"SIP\":{\"V\":1,\"CMD\":[{\"OC\":8624,\"ST\":0,\"DA\":\"{\\\"TavrinStorageDev");
        break;
    case NO_CONTROLLER:
        LumoEmu_SetFaults("no-controller");
        break;
    case SLOW:
        LumoEmu_SetFaults("delay:40");
        LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Dorv100 slow (0)"}}).c_str());
        break;
    case VARIANTS:
        break;
    }
}

// What one host thread counts.
struct Tally {
    std::map<int, long> sentByCommand;
    long wrongStatuses = 0;
    long scansRaised = 0;     // SCAN_CONFIGURATION runs that returned 0: one event each
    long eventsCollected = 0; // SCAN_CONFIGURATION events handed out by GET_EVENTS
};

class Stress : public PluginFixture {
protected:
    std::mutex lifecycle_; // the host runs its lifecycle commands one at a time
    std::atomic<int> variant_{ONE_ADAPTER};
    std::atomic<bool> stop_{false};

    void Check(Tally& tally, PI::_COMMAND command, std::uint32_t status) {
        ++tally.sentByCommand[command >= PI::INITIALIZE && command <= PI::EXECUTE_OPERATION ? command : 0];
        if (!IsAllowedStatus(command, status)) {
            ++tally.wrongStatuses;
            ADD_FAILURE() << "command " << command << " returned " << status;
        }
    }

    std::vector<unsigned long> KnownAdapters(const std::vector<PI::CObject>& topology) {
        std::vector<unsigned long> ids;
        for (const auto& object : topology) {
            if (object.m_Type == 19037) {
                ids.push_back(object.m_ID);
            }
        }
        return ids;
    }

    void Collect(Tally& tally, unsigned long plugin) {
        PI::COperation op(OP_GET_EVENTS);
        Check(tally, PI::EXECUTE_OPERATION, Execute(PI::EXECUTE_OPERATION, plugin, &op));
        for (const auto& event : op.m_Events) {
            tally.eventsCollected += event.m_Code == EVENT_SCAN_CONFIGURATION ? 1 : 0;
        }
    }

    // A restart as a host does it: stop, scan again, start the threads. Only while the controller
    // shows one adapter, so that the restart itself has a well-defined outcome.
    void Restart(Tally& tally) {
        std::lock_guard<std::mutex> guard(lifecycle_);
        const int variant = variant_.load();
        if (variant != ONE_ADAPTER && variant != RENAMED) {
            Check(tally, PI::SET_ADAPTER_IDS, StartThreads()); // the threads already run: 20000
            return;
        }
        Check(tally, PI::DEINITIALIZE, Execute(PI::DEINITIALIZE, 0, nullptr));
        std::vector<PI::CAdapterID> ids;
        Check(tally, PI::INITIALIZE, Execute(PI::INITIALIZE, 0, &ids));
        Check(tally, PI::SET_ADAPTER_IDS, StartThreads());
    }

    void Host(int index, std::chrono::steady_clock::time_point end, Tally& tally, std::atomic<long>& heartbeat) {
        std::mt19937_64 random(0x5eed0000u + static_cast<unsigned>(index));
        std::vector<PI::CObject> topology;
        Check(tally, PI::GET_TOPOLOGY, Execute(PI::GET_TOPOLOGY, 0, &topology));
        unsigned long plugin = topology.empty() ? 0 : topology.front().m_ID;
        std::vector<unsigned long> adapters = KnownAdapters(topology);
        long iterations = 0;

        auto pickObject = [&]() -> unsigned long {
            const auto roll = random() % 10;
            if (roll < 4 || adapters.empty()) {
                return roll == 0 ? random() : plugin; // now and then an identifier nobody has
            }
            return adapters[random() % adapters.size()];
        };

        while (std::chrono::steady_clock::now() < end) {
            heartbeat.fetch_add(1);
            const int choice = static_cast<int>(random() % 100);
            if (choice < 10) {
                Check(tally, PI::GET_TOPOLOGY, Execute(PI::GET_TOPOLOGY, 0, &topology));
                if (!topology.empty()) {
                    plugin = topology.front().m_ID;
                    adapters = KnownAdapters(topology);
                }
            } else if (choice < 20) {
                std::vector<PI::CProperty> properties;
                Check(tally, PI::GET_PROPERTIES, Execute(PI::GET_PROPERTIES, pickObject(), &properties));
            } else if (choice < 30) {
                const std::array<PI::_PROPERTY_ID, 6> codes = {1, PROP_NAME, PROP_POLL_INTERVAL, 30017, 0, INT_MAX};
                PI::CProperty property(codes[random() % codes.size()], false);
                Check(tally, PI::GET_PROPERTY, Execute(PI::GET_PROPERTY, pickObject(), &property));
            } else if (choice < 36) {
                PI::CProperty property(random() % 4 == 0 ? PROP_NAME : PROP_POLL_INTERVAL, true);
                property.SetValue(std::int64_t{2}, std::int64_t{2}, std::int64_t{255}, std::int64_t{1});
                Check(tally, PI::SET_PROPERTY,
                      Execute(PI::SET_PROPERTY, random() % 3 == 0 ? pickObject() : plugin, &property));
            } else if (choice < 44) {
                std::vector<PI::COperation> operations;
                Check(tally, PI::GET_OPERATIONS, Execute(PI::GET_OPERATIONS, pickObject(), &operations));
            } else if (choice < 50) {
                PI::COperation op(static_cast<std::int32_t>(random()));
                Check(tally, PI::CHECK_OPERATION, Execute(PI::CHECK_OPERATION, pickObject(), &op));
            } else if (choice < 72) {
                if (adapters.empty()) {
                    continue;
                }
                PI::COperation op(OP_SCAN_CONFIGURATION);
                const std::uint32_t status = Execute(PI::EXECUTE_OPERATION, adapters[random() % adapters.size()], &op);
                Check(tally, PI::EXECUTE_OPERATION, status);
                tally.scansRaised += status == 0 ? 1 : 0;
            } else if (choice < 86) {
                Collect(tally, plugin);
            } else if (choice < 92) {
                PI::COperation op(random() % 2 == 0 ? OP_GET_RAID_LEVEL_INFORMATION
                                                    : static_cast<std::int32_t>(random()));
                Check(tally, PI::EXECUTE_OPERATION, Execute(PI::EXECUTE_OPERATION, pickObject(), &op));
            } else if (choice < 98) {
                std::vector<PI::CObject> untouched;
                // Outside 1..10 only: a known command would read the data as its own record.
                const std::array<std::int32_t, 4> unknown = {0, 11, INT_MIN, INT_MAX};
                const auto code =
                    static_cast<PI::_COMMAND>(random() % 2 == 0 ? unknown[random() % unknown.size()]
                                                                : static_cast<std::int32_t>(random() % 1000000 + 11));
                Check(tally, code, Execute(code, pickObject(), &untouched));
            } else {
                std::lock_guard<std::mutex> guard(lifecycle_);
                Check(tally, PI::SET_ADAPTER_IDS, StartThreads()); // the threads already run: 20000
            }
            // One thread restarts the plugin now and then, as a host reloading its plugins would.
            if (index == 0 && ++iterations % 200 == 0) {
                Restart(tally);
            }
        }
    }

    void Controller(std::chrono::steady_clock::time_point end) {
        std::mt19937 random(7);
        while (std::chrono::steady_clock::now() < end && !stop_.load()) {
            {
                std::lock_guard<std::mutex> guard(lifecycle_);
                const auto next = static_cast<Variant>(random() % VARIANTS);
                Apply(next);
                variant_ = next;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20 + random() % 120));
        }
    }
};

TEST_F(Stress, HostThreadsWorkerAndChangingController) {
    const int seconds = StressSeconds();
    Apply(ONE_ADAPTER);
    Create();
    ASSERT_EQ(Initialize(), 0u);
    ASSERT_EQ(SetPollInterval(2), 0u);
    ASSERT_EQ(StartThreads(), 0u);

    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::seconds(seconds);
    std::vector<Tally> tallies(HOST_THREADS);
    Restart(tallies[0]); // at least one whole restart, whatever the run's length
    std::vector<std::atomic<long>> heartbeats(HOST_THREADS);
    std::atomic<int> finished{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < HOST_THREADS; ++i) {
        threads.emplace_back([&, i] {
            Host(i, end, tallies[i], heartbeats[i]);
            finished.fetch_add(1);
        });
    }
    std::thread controller([&] { Controller(end); });

    // No deadlock: every host thread ends within the run plus a generous slack.
    const bool allFinished =
        Eventually([&] { return finished.load() == HOST_THREADS; }, seconds + WATCHDOG_SLACK_SECONDS);
    if (!allFinished) {
        std::fprintf(stderr, "stress: %d of %d host threads still running after %d s; heartbeats:",
                     HOST_THREADS - finished.load(), HOST_THREADS, seconds + WATCHDOG_SLACK_SECONDS);
        for (const auto& beat : heartbeats) {
            std::fprintf(stderr, " %ld", beat.load());
        }
        std::fprintf(stderr, "\n");
        std::abort(); // the threads cannot be joined; end the run loudly
    }
    for (auto& thread : threads) {
        thread.join();
    }
    stop_ = true;
    controller.join();

    // A settled controller: the worker brings model and rows in step.
    LumoEmu_SetFaults("none");
    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Dorv100 final (0)"}, {SERIAL_B, "Second Dorv100 (1)"}}).c_str());
    {
        std::lock_guard<std::mutex> guard(lifecycle_);
        ASSERT_EQ(SetPollInterval(2), 0u);
    }
    ASSERT_TRUE(WaitForCycles(2, 60));
    ASSERT_TRUE(Eventually([&] {
        const auto names = AdapterNames();
        return !names.empty() && names.front() == "Dorv100 final (0)";
    }));

    Tally total;
    for (const auto& tally : tallies) {
        for (const auto& [command, sent] : tally.sentByCommand) {
            total.sentByCommand[command] += sent;
        }
        total.wrongStatuses += tally.wrongStatuses;
        total.scansRaised += tally.scansRaised;
        total.eventsCollected += tally.eventsCollected;
    }
    // Events still queued count as not yet collected, never as lost.
    Collect(total, PluginId());
    long queued = 0;
    {
        std::lock_guard<std::mutex> guard(Peer::eL(Impl()));
        for (const auto& event : Peer::events(Impl())) {
            queued += event.m_Code == EVENT_SCAN_CONFIGURATION ? 1 : 0;
        }
    }
    EXPECT_EQ(total.wrongStatuses, 0);
    EXPECT_EQ(total.scansRaised, total.eventsCollected + queued) << "each event is handed out exactly once";
    ExpectRowsMirrorModel();

    long sent = 0;
    std::printf("stress: %d s, %d host threads\n", seconds, HOST_THREADS);
    for (const auto& [command, count] : total.sentByCommand) {
        if (command == 0) {
            std::printf("stress:   unknown commands sent %ld times\n", count);
        } else {
            std::printf("stress:   command %d sent %ld times\n", command, count);
        }
        sent += count;
    }
    std::printf("stress: %ld commands sent, %ld SCAN_CONFIGURATION events raised, %ld collected, %ld queued, "
                "%ld unexpected statuses\n",
                sent, total.scansRaised, total.eventsCollected, queued, total.wrongStatuses);
    EXPECT_GT(sent, 0);
    for (int command = PI::INITIALIZE; command <= PI::EXECUTE_OPERATION; ++command) {
        EXPECT_GT(total.sentByCommand[command], 0) << "command " << command << " was never sent";
    }
}
} // namespace
} // namespace reliability
