// The worker and event-pool threads, the event queue and the object lock flags.
#include <future>
#include <stdexcept>
#include <thread>

#include "support/PluginFixture.h"

namespace {
using namespace test_support;
using Events = NAMESPACE_piDorv::IPLUGINAPI_IMPL::CPluginEvents;

// The host's call-back after event 2: counts the calls and runs what the test gives it.
struct CallbackHost : IPLUGINHOST {
    explicit CallbackHost(
        IPLUGINAPI_IMPL& plugin, std::function<void()> action = [] {})
        : action(std::move(action)) {
        plugin.hostCallback.host = this;
        plugin.hostCallback.function = static_cast<HOSTCALLBACKFN>(&CallbackHost::Called);
    }
    void Called(IPLUGINAPI* plugin) {
        last = plugin;
        ++calls;
        action();
    }
    std::function<void()> action;
    std::atomic<IPLUGINAPI*> last{nullptr};
    std::atomic<int> calls{0};
};

class Worker : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        Initialize();
    }
    void TearDown() override {
        Release();
        m_Plugin.reset(); // joins the threads before the host goes
        PluginTest::TearDown();
    }
    bool IsFree(std::mutex& lock) { return std::unique_lock<std::mutex>(lock, std::try_to_lock).owns_lock(); }
    CallbackHost& Host(std::function<void()> action = [] {}) {
        m_Host = std::make_unique<CallbackHost>(Plugin(), std::move(action));
        return *m_Host;
    }
    CallbackHost& HeldHost() {
        return Host([gate = m_Release.get_future().share()] { gate.wait(); });
    }
    void Release() {
        if (!m_Released.exchange(true)) {
            m_Release.set_value();
        }
    }
    std::promise<void> m_Release; // a held call-back waits for it
    std::atomic<bool> m_Released{false};
    std::unique_ptr<CallbackHost> m_Host;
};

TEST_F(Worker, ScanConfigurationQueuesOneEventAndForcesACycle) {
    StartThreads();
    TraceCapture trace(0x4);
    const std::uint64_t counter = PluginUpdateCounter();
    PI::COperation scan(50007);
    ASSERT_EQ(Plugin().Execute(PI::EXECUTE_OPERATION, AdapterId(), &scan), 0u);
    ASSERT_TRUE(trace.WaitFor("forceWork event received, force scan"));
    EXPECT_TRUE(Eventually([&] { return PluginUpdateCounter() > counter; }));
    const auto events = CollectEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(std::make_pair(events[0].m_Code, events[0].m_SourceID), std::make_pair(10132, AdapterId()));
    EXPECT_TRUE(CollectEvents().empty());
    std::lock_guard<std::mutex> guard(Peer::dL(Plugin())); // the cycle kept the relations
    EXPECT_EQ(Peer::adapters(Plugin()).at(0)->m_Parents, std::vector<std::uint64_t>{ID_BASE});
    EXPECT_EQ(Peer::plugin(Plugin()).m_Children, std::vector<std::uint64_t>{ID_BASE | 1});
}

// Two queued events come in order, once; while the queue is busy none come. The texts of each step.
TEST_F(Worker, GetEventsHandsOutTheQueueInOrderOnceAndNothingWhileItIsBusy) {
    TraceCapture trace(0x2 | 0x8);
    Plugin().onAddAvent(PI::CEvent(ID_BASE | 1, 10001, 2, 1000, "source"));
    Plugin().onAddAvent(PI::CEvent(ID_BASE | 1, 10002, 2, 1000, "source"));
    EXPECT_EQ(Peer::eventHandler(Plugin()).pending(Events::FORCE_WORK), 2);
    {
        std::lock_guard<std::mutex> busy(Peer::eL(Plugin()));
        PI::COperation op(50002);
        op.m_Events.resize(1); // emptied even so
        EXPECT_EQ(Plugin().Execute(PI::EXECUTE_OPERATION, PluginId(), &op), 0u);
        EXPECT_TRUE(op.m_Events.empty());
    }
    const auto events = CollectEvents();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(std::make_pair(events[0].m_Code, events[1].m_Code), std::make_pair(10001, 10002));
    EXPECT_TRUE(CollectEvents().empty());
    const Texts tried = {"ENTER GetEvents()", "locked = eL.try_lock()",
                         "locked = eL.try_lock()waited for microseconds: N "};
    Texts getEvents = tried;
    for (int i = 0; i < 2; ++i) {
        getEvents.insert(getEvents.end(), tried.begin(), tried.end());
        getEvents.push_back("LEAVE GetEvents() -> 0");
    }
    const Texts execute = {"ENTER ExecutePluginOperation()", "LEAVE ExecutePluginOperation() -> 0"};
    ExpectSaid(
        trace,
        {{"onAddAvent",
          {"eL.lock()", "eL.lock()waited for microseconds: N ", "eL.lock()", "eL.lock()waited for microseconds: N "}},
         {"GetEvents", getEvents},
         {"ExecutePluginOperation", {execute[0], execute[1], execute[0], execute[1], execute[0], execute[1]}}});
}

TEST_F(Worker, CycleSkipsWhenEitherLockIsBusyAndGivesTheOtherBack) {
    const std::uint64_t counter = PluginUpdateCounter();
    for (const bool dataBusy : {false, true}) {
        std::lock_guard<std::mutex> hold(dataBusy ? Peer::dL(Plugin()) : Peer::eL(Plugin()));
        std::thread([this] { EXPECT_FALSE(Plugin().WorkerDo(true)); }).join();
        EXPECT_TRUE(IsFree(dataBusy ? Peer::eL(Plugin()) : Peer::dL(Plugin()))) << dataBusy;
    }
    EXPECT_EQ(PluginUpdateCounter(), counter);
    EXPECT_TRUE(Plugin().WorkerDo(true));
    EXPECT_EQ(PluginUpdateCounter(), counter + 1);
}

TEST_F(Worker, ForcedScanRaisedUnderTheDataLockIsRetried) {
    StartThreads();
    TraceCapture trace(0x4 | 0x8);
    const std::uint64_t counter = PluginUpdateCounter();
    {
        // As when an adapter operation raises it: the host call still holds dL until the try failed.
        std::lock_guard<std::mutex> busy(Peer::dL(Plugin()));
        Plugin().sendWorkerEvent(Events::FORCE_WORK);
        ASSERT_TRUE(trace.WaitFor("locked = std::try_lock(dL, eL) . Lock held"));
    }
    // The poll interval is 10 s: only the retried forced cycle moves the counter this soon.
    EXPECT_TRUE(trace.WaitFor("Worker() forced scan found the locks busy, retried", 1, 5));
    EXPECT_TRUE(Eventually([&] { return PluginUpdateCounter() > counter; }, 5));
}

TEST_F(Worker, LockObjectsFollowsItsRulesInOrder) {
    const auto adapter = Peer::adapters(Plugin()).at(0);
    for (int n : {0, 1}) {
        Peer::physicalDrives(Plugin()).push_back(MakePhysicalDrive(n));
        Peer::logicalDrives(Plugin()).push_back(MakeLogicalDrive(adapter, n + 5));
    }
    const auto flags = [&] { // plugin and adapter, the physical drives, the logical drives
        const auto& pd = Peer::physicalDrives(Plugin());
        const auto& ld = Peer::logicalDrives(Plugin());
        return std::to_string(Peer::plugin(Plugin()).m_Locked) + std::to_string(adapter->m_Locked) + " " +
               std::to_string(pd[0].m_Locked) + std::to_string(pd[1].m_Locked) + " " + std::to_string(ld[0].m_Locked) +
               std::to_string(ld[1].m_Locked);
    };
    const std::tuple<int, int, int, int, const char*> cases[] = {
        {-1, 0, 0, 0, "11 11 11"},   // everything
        {0, -1, -1, 5, "00 00 10"},  // a logical drive by number
        {0, -1, -1, -1, "01 00 00"}, // the adapters
        {0, 1, 0, -1, "00 01 00"},   // a physical drive by location
        {0, -1, 0, -1, "00 00 00"},  // b and d unset, c set: the physical drive at -1/0, none
    };
    for (const auto& [a, b, c, d, locked] : cases) {
        Plugin().UnlockObjects();
        EXPECT_EQ(Plugin().LockObjects(a, b, c, d), 0u);
        EXPECT_EQ(flags(), locked) << a << " " << b << " " << c << " " << d;
    }
}

// A forced cycle; a new poll interval of 2 s, which clears the lock flags, calls the host back and
// brings the next cycle by time-out; the stop. The texts of each step.
TEST_F(Worker, CyclesOnDemandAndOnTimeOutAndCallsTheHostBack) {
    CallbackHost& host = Host();
    Plugin().LockObjects(-1, 0, 0, 0);
    TraceCapture trace(0x2 | 0x4 | 0x8 | 0x10);
    StartThreads();
    Plugin().sendWorkerEvent(Events::FORCE_WORK);
    ASSERT_TRUE(trace.WaitFor("After UpdateSystem() ret ="));
    ASSERT_EQ(SetPollInterval(2), 0u);
    ASSERT_TRUE(Eventually([&] { return host.calls == 1 && host.last == &Plugin(); }));
    {
        std::lock_guard<std::mutex> guard(Peer::dL(Plugin()));
        EXPECT_FALSE(Peer::plugin(Plugin()).m_Locked || Peer::adapters(Plugin())[0]->m_Locked);
    }
    ASSERT_TRUE(trace.WaitFor("After UpdateSystem() ret =", 2, 8)); // before the 10 s wait of before
    ASSERT_EQ(Plugin().Execute(PI::DEINITIALIZE, 0, nullptr), 0u);
    Texts cycles;
    for (const char* bscan : {"1", "0"}) {
        for (const std::string& text : Texts{
                 "locked = std::try_lock(dL, eL)", "locked = std::try_lock(dL, eL)waited for microseconds: N ",
                 "Worker() before bscan=" + std::string(bscan), "Before ScanSystem()",
                 "After ScanSystem() ret = 0 drives=0", "Before UpdateSystem()", "After UpdateSystem() ret = 20000"}) {
            cycles.push_back(text);
        }
    }
    ExpectSaid(trace, {{"Worker",
                        {"ENTER Worker()", "forceWork event received, force scan",
                         "Worker() privateEvent_ event received", "dL.lock()", "dL.lock()waited for microseconds: N ",
                         "Worker() timeout event received", "stop event received", "LEAVE Worker()"}},
                       {"WorkerDo", cycles},
                       {"EventPoll", {"ENTER EventPoll()", "stop event received", "LEAVE EventPoll()"}}});
}

TEST_F(Worker, DeInitializeWhileACycleRunsLetsTheCycleFinish) {
    LumoEmu_SetFaults("delay:700");
    StartThreads();
    TraceCapture trace(0x2 | 0x10);
    Plugin().sendWorkerEvent(Events::FORCE_WORK);
    ASSERT_TRUE(trace.WaitFor("Before ScanSystem()"));
    EXPECT_EQ(Plugin().Execute(PI::DEINITIALIZE, 0, nullptr), 0u);
    EXPECT_EQ(trace.Messages("", "Worker").back(), "LEAVE Worker()");
    EXPECT_EQ(trace.Messages("", "WorkerDo").back(), "After UpdateSystem() ret = 20000");
}

TEST_F(Worker, PendingStopGoesBeforePendingWorkAndPendingWorkCostsOneCycle) {
    CallbackHost& host = HeldHost();
    auto& handler = Peer::eventHandler(Plugin());
    for (int i = 0; i < 20; ++i) {
        Plugin().sendWorkerEvent(Events::FORCE_WORK);
    }
    LumoEmu_SetFaults("delay:200"); // a slow controller
    TraceCapture trace(0x4 | 0x10);
    StartThreads();
    ASSERT_TRUE(trace.WaitFor("Before ScanSystem()"));
    EXPECT_EQ(handler.pending(Events::FORCE_WORK), 0); // the cycle under way answers all twenty
    // Work raised while the worker is held in the call-back of event 2, then DeInitialize.
    ASSERT_EQ(SetPollInterval(10), 0u);
    ASSERT_TRUE(Eventually([&] { return host.calls == 1; }));
    for (int i = 0; i < 20; ++i) {
        Plugin().sendWorkerEvent(Events::FORCE_WORK);
    }
    std::thread stop([this] { EXPECT_EQ(Plugin().Execute(PI::DEINITIALIZE, 0, nullptr), 0u); });
    // The event-pool thread took its stop; the worker's waits behind the work.
    EXPECT_TRUE(
        Eventually([&] { return trace.Count("stop event received") == 1 && handler.pending(Events::STOP) == 1; }));
    Release();
    stop.join();
    EXPECT_EQ(std::make_pair(trace.Count("Before ScanSystem()"), handler.pending(Events::FORCE_WORK)),
              std::make_pair(1, 20));
}

TEST_F(Worker, LifecycleCommandsAtOnceTakeTurns) {
    CallbackHost& host = HeldHost();
    StartThreads();
    ASSERT_EQ(SetPollInterval(10), 0u);
    ASSERT_TRUE(Eventually([&] { return host.calls == 1; }));
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
    Release();
    for (auto& caller : callers) {
        caller.join();
    }
    // SetAdapterIDs found the threads stopped, in either order with the second DeInitialize.
    EXPECT_EQ(status, (std::vector<std::uint32_t>{0, 0, 0}));
    EXPECT_EQ(Plugin().Execute(PI::DEINITIALIZE, 0, nullptr), 0u);
    // Each worker was stopped and joined once, and no stop was left behind.
    EXPECT_EQ(std::make_tuple(trace.Count("Dorv... (Worker) is joinable"), trace.Count("LEAVE Worker()"),
                              Peer::eventHandler(Plugin()).pending(Events::STOP)),
              std::make_tuple(2, 2, 0));
}

TEST_F(Worker, ExceptionInACycleIsLoggedAndTheWorkerGoesOn) {
    Host([] { throw std::runtime_error("host call-back failed"); });
    StartThreads();
    TraceCapture trace(0x40000000);
    ASSERT_EQ(SetPollInterval(5), 0u); // event 2: the worker calls the host back, which throws
    ASSERT_TRUE(trace.WaitFor("host call-back failed"));
    EXPECT_EQ(trace.Messages("", "Worker"), Texts{"Worker()- cycle failed, worker goes on  host call-back failed"});
    EXPECT_TRUE(IsFree(Peer::dL(Plugin())) && IsFree(Peer::eL(Plugin())));
    const std::uint64_t counter = PluginUpdateCounter();
    Plugin().sendWorkerEvent(Events::FORCE_WORK);
    EXPECT_TRUE(Eventually([&] { return PluginUpdateCounter() > counter; }));
}
} // namespace
