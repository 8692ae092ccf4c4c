// Eight host threads drive the plugin with every command while the worker cycles at the shortest
// interval, events force extra cycles, and the emulated controller keeps changing its answer. The run
// lasts PIDORV_STRESS_SECONDS (20 by default). It checks that no thread hangs, that every status is
// one its command may return, that every SCAN_CONFIGURATION event reaches the host exactly once, and
// that the database mirrors the model at the end.
#include <array>
#include <atomic>
#include <climits>
#include <cstdio>
#include <functional>
#include <random>
#include <set>
#include <thread>

#include "support/PluginFixture.h"

namespace {
using namespace test_support;
const int HOST_THREADS = 8;
const int WATCHDOG_SLACK_SECONDS = 120;

class Stress : public HostedPluginTest {
protected:
    // The controller's answers the run switches between: the faults, then the answer (none: the last
    // one stays). A restart is well-defined only while the controller shows one adapter (the first three).
    const std::pair<const char*, std::string> m_Variants[6] = {
        {"none", DeviceTree({{SERIAL_A, "Dorv100 (0)"}})},
        {"none", DeviceTree({{SERIAL_A, "Dorv100 renamed (0)"}})},
        {"delay:40", DeviceTree({{SERIAL_A, "Dorv100 slow (0)"}})},
        {"none", DeviceTree({{SERIAL_A, "Dorv100 (0)"}, {SERIAL_B, "Second Dorv100 (1)"}})},
        {"none", "{\"SIP\":{\"V\":1,\"CMD\":[{\"OC\":8624,\"ST\":0,\"DA\":\"{\\\"TavrinStorageDev"},
        {"no-controller", ""},
    };
    const int ONE_ADAPTER_VARIANTS = 3;
    std::mutex m_Lifecycle; // the host runs its lifecycle commands one at a time
    std::atomic<int> m_Variant{0};
    std::array<std::atomic<long>, PI::EXECUTE_OPERATION + 1> m_Sent{}; // by command, 0: unknown ones
    std::atomic<long> m_ScansRaised{0};     // SCAN_CONFIGURATION runs that returned 0: one event each
    std::atomic<long> m_EventsCollected{0}; // SCAN_CONFIGURATION events handed out by GET_EVENTS

    void Apply(int variant) {
        LumoEmu_SetFaults(m_Variants[variant].first);
        if (!m_Variants[variant].second.empty()) {
            LumoEmu_SetAnswer(m_Variants[variant].second.c_str());
        }
        m_Variant = variant;
    }
    // Sends the command and checks that the status is one it may return. A configuration write that
    // fails comes back from SetProperty as the configuration file's own non-zero status (below 100).
    std::uint32_t Send(PI::_COMMAND command, unsigned long id, void* data) {
        // By command, from INITIALIZE (1) to EXECUTE_OPERATION (10); any other command gets 20002.
        static const std::set<std::uint32_t> allowed[] = {{20002},    {0, 20001}, {0, 20000},        {0},
                                                          {0},        {0, 20008}, {0, 20000, 20008}, {0, 20004, 20008},
                                                          {0, 20008}, {0, 20008}, {0, 20005, 20008}};
        const std::uint32_t status = Execute(command, id, data);
        const int index = command >= PI::INITIALIZE && command <= PI::EXECUTE_OPERATION ? command : 0;
        ++m_Sent[index];
        EXPECT_TRUE(allowed[index].count(status) != 0 || (command == PI::SET_PROPERTY && status < 100))
            << "command " << command << " returned " << status;
        return status;
    }
    void Collect(unsigned long plugin) {
        PI::COperation op(50002);
        Send(PI::EXECUTE_OPERATION, plugin, &op);
        for (const auto& event : op.m_Events) {
            m_EventsCollected += event.m_Code == 10132 ? 1 : 0;
        }
    }
    // A restart as a host does it: stop, scan again, start the threads (20000 when not restarted).
    void Restart(bool whole) {
        std::lock_guard<std::mutex> guard(m_Lifecycle);
        std::vector<PI::CAdapterID> ids;
        if (whole && m_Variant.load() < ONE_ADAPTER_VARIANTS) {
            Send(PI::DEINITIALIZE, 0, nullptr);
            Send(PI::INITIALIZE, 0, &ids);
        }
        Send(PI::SET_ADAPTER_IDS, 0, &ids);
    }

    void Host(int index, std::chrono::steady_clock::time_point end) {
        std::mt19937_64 random(0x5eed0000u + static_cast<unsigned>(index));
        std::vector<unsigned long> ids = {0}; // as the last topology listed them: the plugin first
        const auto pick = [&] { return random() % 10 == 0 ? random() : ids[random() % ids.size()]; };
        const std::array<PI::_PROPERTY_ID, 6> codes = {1, 30007, 30005, 30017, 0, INT_MAX};
        // Outside 1..10 only: a known command would read the data as its own record.
        const std::array<std::int32_t, 5> unknown = {0, 11, INT_MIN, INT_MAX, 500000};
        std::vector<PI::CObject> objects;
        std::vector<PI::CProperty> properties;
        std::vector<PI::COperation> operations;
        PI::CProperty property(30005, true);
        PI::COperation op(50003);
        PI::COperation scan(50007); // raises its event on an adapter only
        const std::function<void()> commands[] = {
            [&] {
                if (Send(PI::GET_TOPOLOGY, 0, &objects) == 0 && !objects.empty()) {
                    ids.clear();
                    for (const auto& object : objects) {
                        ids.push_back(object.m_ID);
                    }
                }
            },
            [&] { Send(PI::GET_PROPERTIES, pick(), &properties); },
            [&] { Send(PI::GET_PROPERTY, pick(), &property); },
            [&] { Send(PI::SET_PROPERTY, pick(), &property); },
            [&] { Send(PI::GET_OPERATIONS, pick(), &operations); },
            [&] { Send(PI::CHECK_OPERATION, pick(), &op); },
            [&] { Send(PI::EXECUTE_OPERATION, pick(), &op); },
            [&] { m_ScansRaised += Send(PI::EXECUTE_OPERATION, pick(), &scan) == 0 ? 1 : 0; },
            [&] { m_ScansRaised += Send(PI::EXECUTE_OPERATION, ids.back(), &scan) == 0 ? 1 : 0; },
            [&] { Collect(ids.front()); },
            [&] { Collect(ids.front()); },
            [&] { Send(static_cast<PI::_COMMAND>(unknown[random() % unknown.size()]), pick(), &objects); },
        };
        for (long iteration = 1; std::chrono::steady_clock::now() < end; ++iteration) {
            property = PI::CProperty(codes[random() % codes.size()], true);
            property.SetValue(std::int64_t{2}, std::int64_t{2}, std::int64_t{255}, std::int64_t{1});
            op = PI::COperation(random() % 2 == 0 ? 50003 : static_cast<std::int32_t>(random()));
            commands[iteration == 1 ? 0 : random() % std::size(commands)]();
            // One thread restarts the plugin now and then, as a host reloading its plugins would, and
            // another asks to start the threads that already run.
            if (index < 2 && iteration % 200 == 0) {
                Restart(index == 0);
            }
        }
    }
};

TEST_F(Stress, HostThreadsWorkerAndChangingController) {
    const char* text = std::getenv("PIDORV_STRESS_SECONDS");
    const int seconds = text != nullptr && std::atoi(text) > 0 ? std::atoi(text) : 20;
    Apply(0);
    Create();
    Initialize();
    ASSERT_EQ(SetPollInterval(2), 0u);
    StartThreads();
    Restart(true); // at least one whole restart, whatever the run's length

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
                std::lock_guard<std::mutex> guard(m_Lifecycle);
                Apply(static_cast<int>(random() % std::size(m_Variants)));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20 + random() % 120));
        }
    });
    // No deadlock: every host thread ends within the run plus a generous slack.
    if (!Eventually([&] { return finished.load() == HOST_THREADS; }, seconds + WATCHDOG_SLACK_SECONDS)) {
        std::fputs("stress: host threads still running long after the end of the run\n", stderr);
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
    ASSERT_EQ(AdapterNames(), (Texts{"Dorv100 final (0)", "Second Dorv100 (1)"}));
    // GetEvents hands out nothing while the worker holds the queue: collect until all came.
    Eventually([&] {
        Collect(PluginId());
        return m_EventsCollected.load() >= m_ScansRaised.load();
    });
    EXPECT_EQ(m_ScansRaised.load(), m_EventsCollected.load()) << "each event is handed out exactly once";
    ExpectRowsMirrorModel();
    for (int command = 0; command <= PI::EXECUTE_OPERATION; ++command) {
        EXPECT_GT(m_Sent[command].load(), 0) << "command " << command << " was never sent";
    }
}
} // namespace
