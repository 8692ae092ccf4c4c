// The worker and event-pool threads, the event queue and the object lock flags.
#include <future>
#include <stdexcept>
#include <thread>

#include "CoreTest.h"

namespace {
using namespace test_support;
using Events = NAMESPACE_piDorv::IPLUGINAPI_IMPL::CPluginEvents;

// The host's call-back after event 2: counts the calls and runs what the test gives it.
struct CallbackHost : IPLUGINHOST {
    void Called(IPLUGINAPI* plugin) {
        last = plugin;
        ++calls;
        action();
    }
    std::function<void()> action = [] {};
    std::atomic<IPLUGINAPI*> last{nullptr};
    std::atomic<int> calls{0};
};

class Worker : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        Initialize();
        Plugin().hostCallback.host = &m_Host;
        Plugin().hostCallback.function = static_cast<HOSTCALLBACKFN>(&CallbackHost::Called);
    }
    void TearDown() override {
        Release();
        m_Plugin.reset(); // joins the threads before the host goes
        PluginTest::TearDown();
    }
    bool IsFree(std::mutex& lock) { return std::unique_lock<std::mutex>(lock, std::try_to_lock).owns_lock(); }
    // The call-back waits for Release().
    void HoldHost() {
        m_Host.action = [gate = m_Release.get_future().share()] { gate.wait(); };
    }
    void Release() {
        if (!m_Released.exchange(true)) {
            m_Release.set_value();
        }
    }
    CallbackHost m_Host;
    std::promise<void> m_Release;
    std::atomic<bool> m_Released{false};
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
    EXPECT_EQ(std::make_tuple(events[0].m_Code, events[0].m_SourceID, CollectEvents().size()),
              std::make_tuple(10132, AdapterId(), 0ul));
    std::lock_guard<std::mutex> guard(Peer::dL(Plugin())); // the cycle kept the relations
    EXPECT_EQ(std::make_pair(Peer::adapters(Plugin()).at(0)->m_Parents, Peer::plugin(Plugin()).m_Children),
              std::make_pair(std::vector<std::uint64_t>{ID_BASE}, std::vector<std::uint64_t>{ID_BASE | 1}));
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
    EXPECT_EQ(std::make_tuple(events[0].m_Code, events[1].m_Code, CollectEvents().size()),
              std::make_tuple(10001, 10002, 0ul));
    const Texts tried = Texts{"ENTER GetEvents()"} + Timed("locked = eL.try_lock()");
    ExpectSaid(trace, {{"onAddAvent", Repeated(Timed("eL.lock()"), 2)},
                       {"GetEvents", tried + Repeated(tried + Texts{"LEAVE GetEvents() -> 0"}, 2)},
                       {"ExecutePluginOperation",
                        Repeated({"ENTER ExecutePluginOperation()", "LEAVE ExecutePluginOperation() -> 0"}, 3)}});
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
    auto& pd = Peer::physicalDrives(Plugin());
    auto& ld = Peer::logicalDrives(Plugin());
    for (int n : {0, 1}) {
        pd.push_back(MakePhysicalDrive(n));
        ld.push_back(MakeLogicalDrive(adapter, n + 5));
    }
    // a b c d, then the flags of plugin and adapter, the physical drives, the logical drives
    const std::tuple<int, int, int, int, std::vector<bool>> cases[] = {
        {-1, 0, 0, 0, {1, 1, 1, 1, 1, 1}},   // everything
        {0, -1, -1, 5, {0, 0, 0, 0, 1, 0}},  // a logical drive by number
        {0, -1, -1, -1, {0, 1, 0, 0, 0, 0}}, // the adapters
        {0, 1, 0, -1, {0, 0, 0, 1, 0, 0}},   // a physical drive by location
        {0, -1, 0, -1, {0, 0, 0, 0, 0, 0}}}; // b and d unset, c set: the physical drive at -1/0, none
    for (const auto& [a, b, c, d, locked] : cases) {
        Plugin().UnlockObjects();
        EXPECT_EQ(Plugin().LockObjects(a, b, c, d), 0u);
        EXPECT_EQ((std::vector<bool>{Peer::plugin(Plugin()).m_Locked, adapter->m_Locked, pd[0].m_Locked, pd[1].m_Locked,
                                     ld[0].m_Locked, ld[1].m_Locked}),
                  locked)
            << a << " " << b << " " << c << " " << d;
    }
}

// A forced cycle; a new poll interval of 2 s, which clears the lock flags, calls the host back and
// brings the next cycle by time-out; the stop. The texts of each step.
TEST_F(Worker, CyclesOnDemandAndOnTimeOutAndCallsTheHostBack) {
    Plugin().LockObjects(-1, 0, 0, 0);
    TraceCapture trace(0x2 | 0x4 | 0x8 | 0x10);
    StartThreads();
    Plugin().sendWorkerEvent(Events::FORCE_WORK);
    ASSERT_TRUE(trace.WaitFor("After UpdateSystem() ret ="));
    ASSERT_EQ(SetPollInterval(2), 0u);
    ASSERT_TRUE(Eventually([&] { return m_Host.calls == 1 && m_Host.last == &Plugin(); }));
    {
        std::lock_guard<std::mutex> guard(Peer::dL(Plugin()));
        EXPECT_FALSE(Peer::plugin(Plugin()).m_Locked || Peer::adapters(Plugin())[0]->m_Locked);
    }
    ASSERT_TRUE(trace.WaitFor("After UpdateSystem() ret =", 2, 8)); // before the 10 s wait of before
    ASSERT_EQ(Plugin().Execute(PI::DEINITIALIZE, 0, nullptr), 0u);
    const auto cycle = [](const char* bscan) {
        return Timed("locked = std::try_lock(dL, eL)") +
               Texts{"Worker() before bscan=" + std::string(bscan), "Before ScanSystem()",
                     "After ScanSystem() ret = 0 drives=0", "Before UpdateSystem()",
                     "After UpdateSystem() ret = 20000"};
    };
    ExpectSaid(
        trace,
        {{"Worker",
          Texts{"ENTER Worker()", "forceWork event received, force scan", "Worker() privateEvent_ event received"} +
              Timed("dL.lock()") + Texts{"Worker() timeout event received", "stop event received", "LEAVE Worker()"}},
         {"WorkerDo", cycle("1") + cycle("0")},
         {"EventPoll", {"ENTER EventPoll()", "stop event received", "LEAVE EventPoll()"}}});
}

TEST_F(Worker, DeInitializeWhileACycleRunsLetsTheCycleFinish) {
    LumoEmu_SetFaults("delay:700");
    StartThreads();
    TraceCapture trace(0x2 | 0x10);
    Plugin().sendWorkerEvent(Events::FORCE_WORK);
    ASSERT_TRUE(trace.WaitFor("Before ScanSystem()"));
    EXPECT_EQ(Plugin().Execute(PI::DEINITIALIZE, 0, nullptr), 0u);
    EXPECT_EQ(std::make_pair(trace.Messages("", "Worker").back(), trace.Messages("", "WorkerDo").back()),
              std::make_pair(std::string("LEAVE Worker()"), std::string("After UpdateSystem() ret = 20000")));
}

TEST_F(Worker, PendingStopGoesBeforePendingWorkAndPendingWorkCostsOneCycle) {
    HoldHost();
    auto& handler = Peer::eventHandler(Plugin());
    const auto forceWork = [this] {
        for (int i = 0; i < 20; ++i) {
            Plugin().sendWorkerEvent(Events::FORCE_WORK);
        }
    };
    forceWork();
    LumoEmu_SetFaults("delay:200"); // a slow controller
    TraceCapture trace(0x4 | 0x10);
    StartThreads();
    ASSERT_TRUE(trace.WaitFor("Before ScanSystem()"));
    EXPECT_EQ(handler.pending(Events::FORCE_WORK), 0); // the cycle under way answers all twenty
    // Work raised while the worker is held in the call-back of event 2, then DeInitialize.
    ASSERT_EQ(SetPollInterval(10), 0u);
    ASSERT_TRUE(Eventually([&] { return m_Host.calls == 1; }));
    forceWork();
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
    HoldHost();
    StartThreads();
    ASSERT_EQ(SetPollInterval(10), 0u);
    ASSERT_TRUE(Eventually([&] { return m_Host.calls == 1; }));
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
    m_Host.action = [] { throw std::runtime_error("host call-back failed"); };
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
