// The worker and event-pool threads, the event queue and the object lock flags.
#include <condition_variable>
#include <stdexcept>

#include "CoreTestSupport.h"

namespace core_test {
namespace {
using Events = NAMESPACE_piDorv::IPLUGINAPI_IMPL::CPluginEvents;

class WorkerTest : public CoreTest {};

PI::CEvent MakeEvent(std::int32_t code) {
    return PI::CEvent(ID_BASE | 1, code, 2, 1000, "source");
}

TEST_F(WorkerTest, ScanConfigurationQueuesOneEventAndForcesACycle) {
    Initialize();
    StartThreads();
    TraceCapture trace(0x4 | 0x10 | 0x80);
    const std::uint64_t counter = PluginUpdateCounter();

    PI::COperation scan(50007);
    ASSERT_EQ(Plugin().Execute(PI::EXECUTE_OPERATION, AdapterId(), &scan), 0u);
    ASSERT_TRUE(trace.WaitFor("forceWork event received, force scan"));
    ASSERT_TRUE(trace.WaitFor("Plugin Dorv100 updated in db."));
    EXPECT_TRUE(Eventually([&] { return PluginUpdateCounter() > counter; }));

    const auto events = CollectEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(std::make_pair(events[0].m_Code, events[0].m_SourceID), std::make_pair(10132, AdapterId()));
    EXPECT_TRUE(CollectEvents().empty());

    // The cycle kept the adapter the host knows, with its relation to the plugin.
    std::lock_guard<std::mutex> guard(Peer::dL(Plugin()));
    ASSERT_EQ(Peer::adapters(Plugin()).size(), 1u);
    EXPECT_EQ(Peer::adapters(Plugin())[0]->m_ID, ID_BASE | 1);
    EXPECT_EQ(Peer::adapters(Plugin())[0]->m_Parents, std::vector<std::uint64_t>{ID_BASE});
    EXPECT_EQ(Peer::plugin(Plugin()).m_Children, std::vector<std::uint64_t>{ID_BASE | 1});
}

TEST_F(WorkerTest, GetEventsHandsOutTheQueueInOrderOnceAndNothingWhileItIsBusy) {
    Initialize();
    Plugin().onAddAvent(MakeEvent(10001));
    Plugin().onAddAvent(MakeEvent(10002));
    EXPECT_EQ(Peer::eventHandler(Plugin()).pending(Events::FORCE_WORK), 2);
    {
        std::lock_guard<std::mutex> busy(Peer::eL(Plugin()));
        PI::COperation op(50002);
        op.m_Events.push_back(MakeEvent(1)); // emptied even so
        EXPECT_EQ(Plugin().Execute(PI::EXECUTE_OPERATION, PluginId(), &op), 0u);
        EXPECT_TRUE(op.m_Events.empty());
    }
    const auto events = CollectEvents();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(std::make_pair(events[0].m_Code, events[1].m_Code), std::make_pair(10001, 10002));
    EXPECT_TRUE(CollectEvents().empty());
}

TEST_F(WorkerTest, CycleSkipsWhenEitherLockIsBusy) {
    Initialize();
    const std::uint64_t counter = PluginUpdateCounter();
    for (const bool dataBusy : {false, true}) {
        std::mutex& busy = dataBusy ? Peer::dL(Plugin()) : Peer::eL(Plugin());
        std::mutex& other = dataBusy ? Peer::eL(Plugin()) : Peer::dL(Plugin());
        std::lock_guard<std::mutex> hold(busy);
        std::thread([this] { Plugin().WorkerDo(true); }).join();
        // The free lock was given back: the try is all or nothing.
        EXPECT_TRUE(std::unique_lock<std::mutex>(other, std::try_to_lock).owns_lock()) << dataBusy;
    }
    EXPECT_EQ(PluginUpdateCounter(), counter);
    Plugin().WorkerDo(true);
    EXPECT_EQ(PluginUpdateCounter(), counter + 1);
}

TEST_F(WorkerTest, ForcedScanRaisedUnderTheDataLockStillRuns) {
    Initialize();
    StartThreads();
    TraceCapture trace(0x4);
    const std::uint64_t counter = PluginUpdateCounter();
    {
        // As when an adapter operation raises it: the host call still holds dL.
        std::lock_guard<std::mutex> busy(Peer::dL(Plugin()));
        Plugin().sendWorkerEvent(Events::FORCE_WORK);
        ASSERT_TRUE(trace.WaitFor("forceWork event received, force scan"));
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
    // The poll interval is 10 s: only the retried forced cycle can move the counter this soon.
    EXPECT_TRUE(trace.WaitFor("Worker() forced scan found the locks busy, retried", 1, 3));
    EXPECT_TRUE(Eventually([&] { return PluginUpdateCounter() > counter; }, 3));
}

TEST_F(WorkerTest, LockTimingLinesNameTheLockAndTheScope) {
    Initialize();
    TraceCapture trace(0x8);
    Plugin().WorkerDo(false);
    const auto lines = trace.Lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_NE(lines[0].find("\tlocked = std::try_lock(dL, eL)"), std::string::npos);
    EXPECT_NE(lines[1].find("\tlocked = std::try_lock(dL, eL)waited for microseconds: "), std::string::npos);
    const std::string& held = lines.back();
    EXPECT_NE(held.find("locked = std::try_lock(dL, eL) . Lock held for microseconds: "), std::string::npos);
    // The hold line carries the line of the lock statement in its function name.
    const std::size_t name = held.find("~CAutoScopeLeaveLogger_");
    ASSERT_NE(name, std::string::npos);
    const std::string line = held.substr(name + 23, held.find('\t', name) - name - 23);
    EXPECT_NE(lines[0].find(":" + line + "\t"), std::string::npos);
}

TEST_F(WorkerTest, LockObjectsRules) {
    Initialize();
    const auto adapter = Peer::adapters(Plugin()).at(0);
    for (int port : {0, 1}) {
        Peer::physicalDrives(Plugin()).push_back(MakePhysicalDrive(port));
    }
    for (int number : {5, 6}) {
        Peer::logicalDrives(Plugin()).push_back(MakeLogicalDrive(adapter, number));
    }
    // The lock flags of plugin and adapter, the physical drives, the logical drives.
    const auto flags = [&] {
        std::string out = std::to_string(Peer::plugin(Plugin()).m_Locked) + std::to_string(adapter->m_Locked) + " ";
        for (const auto& drive : Peer::physicalDrives(Plugin())) {
            out += std::to_string(drive.m_Locked);
        }
        out += " ";
        for (const auto& drive : Peer::logicalDrives(Plugin())) {
            out += std::to_string(drive.m_Locked);
        }
        return out;
    };
    struct Case {
        int a, b, c, d;
        const char* locked;
    };
    const Case cases[] = {
        {0, -1, -1, 5, "00 00 10"},  // a logical drive by number
        {0, -1, -1, -1, "01 00 00"}, // the adapter
        {0, 1, 0, -1, "00 01 00"},   // a physical drive by location
        {0, -1, 0, -1, "00 00 00"},  // b and d unset, c set: nothing
        {-1, 0, 0, 0, "11 11 11"},   // everything
    };
    for (const Case& c : cases) {
        Plugin().UnlockObjects();
        EXPECT_EQ(Plugin().LockObjects(c.a, c.b, c.c, c.d), 0u);
        EXPECT_EQ(flags(), c.locked) << c.a << " " << c.b << " " << c.c << " " << c.d;
    }
}

// The host's call-back after event 2; with `hold` set it keeps the worker there until released.
struct CallbackHost : IPLUGINHOST {
    explicit CallbackHost(IPLUGINAPI_IMPL& plugin, bool hold = false) : hold(hold) {
        plugin.hostCallback.host = this;
        plugin.hostCallback.function = static_cast<HOSTCALLBACKFN>(&CallbackHost::Called);
    }
    ~CallbackHost() { Release(); }
    void Called(IPLUGINAPI* plugin) {
        std::unique_lock<std::mutex> guard(lock);
        last = plugin;
        ++calls;
        changed.wait(guard, [this] { return !hold; });
    }
    int Calls() {
        std::lock_guard<std::mutex> guard(lock);
        return calls;
    }
    void Release() {
        std::lock_guard<std::mutex> guard(lock);
        hold = false;
        changed.notify_all();
    }
    std::mutex lock;
    std::condition_variable changed;
    IPLUGINAPI* last = nullptr;
    int calls = 0;
    bool hold;
};

TEST_F(WorkerTest, NewPollIntervalClearsLockFlagsCallsTheHostBackAndIsUsedForTheNextWait) {
    Initialize();
    CallbackHost host(Plugin());
    Plugin().LockObjects(-1, 0, 0, 0);
    StartThreads();
    TraceCapture trace(0x4);
    ASSERT_EQ(SetPollInterval(2), 0u);
    EXPECT_NE(ReadConfig().find("PollInterval=2"), std::string::npos);
    ASSERT_TRUE(trace.WaitFor("Worker() privateEvent_ event received"));
    ASSERT_TRUE(Eventually([&] {
        std::lock_guard<std::mutex> guard(host.lock);
        return host.calls == 1 && host.last == &Plugin();
    }));
    {
        std::lock_guard<std::mutex> guard(Peer::dL(Plugin()));
        EXPECT_FALSE(Peer::plugin(Plugin()).m_Locked);
        EXPECT_FALSE(Peer::adapters(Plugin())[0]->m_Locked);
    }
    // The worker waited 10 seconds before; now the 2-second time-out comes well before that.
    EXPECT_TRUE(trace.WaitFor("Worker() timeout event received", 1, 8));
}

TEST_F(WorkerTest, DeInitializeWhileACycleRunsLetsTheCycleFinish) {
    Initialize();
    LumoEmu_SetFaults("delay:700");
    StartThreads();
    TraceCapture trace(0x2 | 0x10);
    Plugin().sendWorkerEvent(Events::FORCE_WORK);
    ASSERT_TRUE(trace.WaitFor("Before ScanSystem()"));
    EXPECT_EQ(Plugin().Execute(PI::DEINITIALIZE, 0, nullptr), 0u);

    const int updated = trace.Find("After UpdateSystem() ret =");
    const int left = trace.Find("LEAVE Worker()");
    EXPECT_GE(updated, 0);
    EXPECT_GT(left, updated);
    EXPECT_EQ(trace.Count("LEAVE EventPoll()"), 1);
    EXPECT_FALSE(Peer::workerRunning(Plugin()));
}

TEST_F(WorkerTest, PendingStopGoesBeforePendingWorkAndPendingWorkCostsOneCycle) {
    Initialize();
    CallbackHost host(Plugin(), true);
    auto& handler = Peer::eventHandler(Plugin());
    for (int i = 0; i < 20; ++i) {
        Plugin().sendWorkerEvent(Events::FORCE_WORK);
    }
    LumoEmu_SetFaults("delay:200"); // a slow controller
    TraceCapture trace(0x4 | 0x10);
    StartThreads();
    ASSERT_TRUE(trace.WaitFor("Before ScanSystem()"));
    EXPECT_EQ(handler.pending(Events::FORCE_WORK), 0); // the cycle under way answers all twenty

    // Work raised while the worker is busy (held in the call-back of event 2), then DeInitialize.
    ASSERT_EQ(SetPollInterval(10), 0u);
    ASSERT_TRUE(Eventually([&] { return host.Calls() == 1; }));
    for (int i = 0; i < 20; ++i) {
        Plugin().sendWorkerEvent(Events::FORCE_WORK);
    }
    std::thread stop([this] { EXPECT_EQ(Plugin().Execute(PI::DEINITIALIZE, 0, nullptr), 0u); });
    // The event-pool thread took its stop; the worker's waits behind the work.
    EXPECT_TRUE(
        Eventually([&] { return trace.Count("stop event received") == 1 && handler.pending(Events::STOP) == 1; }));
    host.Release();
    stop.join();
    EXPECT_EQ(trace.Count("Before ScanSystem()"), 1);
    EXPECT_EQ(handler.pending(Events::FORCE_WORK), 20);
}

TEST_F(WorkerTest, LifecycleCommandsAtOnceTakeTurns) {
    Initialize();
    CallbackHost host(Plugin(), true);
    StartThreads();
    ASSERT_EQ(SetPollInterval(10), 0u);
    ASSERT_TRUE(Eventually([&] { return host.Calls() == 1; }));
    TraceCapture trace(0x2 | 0x8);
    // The first DeInitialize joins the worker held in the call-back; two more commands come meanwhile.
    std::vector<std::uint32_t> status(3, 99);
    std::vector<PI::CAdapterID> ids;
    std::vector<std::thread> callers;
    const auto deInitialize = [&](int i) { status[i] = Plugin().Execute(PI::DEINITIALIZE, 0, nullptr); };
    callers.emplace_back(deInitialize, 0);
    EXPECT_TRUE(trace.WaitFor("Dorv... (Worker) is joinable"));
    callers.emplace_back(deInitialize, 1);
    callers.emplace_back([&] { status[2] = Plugin().Execute(PI::SET_ADAPTER_IDS, 0, &ids); });
    EXPECT_TRUE(trace.WaitFor("ENTER DeInitialize", 2) && trace.WaitFor("ENTER SetAdapterIDs"));
    host.Release();
    for (auto& caller : callers) {
        caller.join();
    }
    // SetAdapterIDs found the threads stopped, in either order with the second DeInitialize.
    EXPECT_EQ(status, (std::vector<std::uint32_t>{0, 0, 0}));
    EXPECT_EQ(Plugin().Execute(PI::DEINITIALIZE, 0, nullptr), 0u);
    // Each worker was stopped and joined once, and no stop was left behind.
    EXPECT_EQ(trace.Count("Dorv... (Worker) is joinable"), 2);
    EXPECT_EQ(trace.Count("LEAVE Worker()"), 2);
    EXPECT_EQ(Peer::eventHandler(Plugin()).pending(Events::STOP), 0);
}

struct ThrowingHost : IPLUGINHOST {
    void Called(IPLUGINAPI*) { throw std::runtime_error("host call-back failed"); }
};

TEST_F(WorkerTest, ExceptionInTheWorkerIsLoggedAndTheWorkerGoesOn) {
    Initialize();
    ThrowingHost host;
    Plugin().hostCallback.host = &host;
    Plugin().hostCallback.function = static_cast<HOSTCALLBACKFN>(&ThrowingHost::Called);
    StartThreads();
    TraceCapture trace(0x10 | 0x40000000);
    ASSERT_EQ(SetPollInterval(5), 0u); // event 2: the worker calls the host back, which throws
    ASSERT_TRUE(trace.WaitFor("cycle failed"));
    const auto lines = trace.Lines();
    const int crash = trace.Find("cycle failed");
    EXPECT_NE(lines[static_cast<std::size_t>(crash)].find("\t40000000\t"), std::string::npos);
    EXPECT_NE(lines[static_cast<std::size_t>(crash)].find("host call-back failed"), std::string::npos);

    // Both locks are free again and the worker still runs cycles.
    EXPECT_TRUE(std::unique_lock<std::mutex>(Peer::dL(Plugin()), std::try_to_lock).owns_lock());
    EXPECT_TRUE(std::unique_lock<std::mutex>(Peer::eL(Plugin()), std::try_to_lock).owns_lock());
    const std::uint64_t counter = PluginUpdateCounter();
    Plugin().sendWorkerEvent(Events::FORCE_WORK);
    EXPECT_TRUE(Eventually([&] { return PluginUpdateCounter() > counter; }));
    EXPECT_TRUE(Peer::workerRunning(Plugin()));
}

} // namespace
} // namespace core_test
