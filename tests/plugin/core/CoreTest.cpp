// The plugin object: entry points, the command dispatcher and the lifecycle commands, its own shown
// object with the stored poll interval; the worker and event-pool threads, the event queue and the lock
// flags; the scan and reconcile cycle; the rows of the shown objects; routing by identifier.
#include <atomic>
#include <cstdio>
#include <future>
#include <map>
#include <new>
#include <regex>
#include <set>
#include <stdexcept>
#include <thread>

#include "support/ObjectText.h"
#include "support/PluginFixture.h"
#include "tlx/Threading.h"

std::atomic<bool> g_FailNothrowNew{false}; // lets a test make the plugin's allocation fail

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return g_FailNothrowNew.load() ? nullptr : ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}

namespace {
using namespace test_support;
using Events = NAMESPACE_piDorv::IPLUGINAPI_IMPL::CPluginEvents;
using NAMESPACE_piDorv::CDorvAdapter;
using NAMESPACE_piDorv::CDorvLogicalDrive;
using NAMESPACE_piDorv::CDorvPhysicalDrive;

// A physical drive at the port (device 0).
CDorvPhysicalDrive MakePhysicalDrive(int port, std::uint64_t id = 0) {
    CDorvPhysicalDrive drive;
    drive.m_ID = id;
    drive.m_PortNumber = port;
    drive.m_AuxNumber = port;
    drive.m_Name = "SD" + std::to_string(port);
    drive.m_UniqueID = "PD-" + std::to_string(port);
    return drive;
}

// A mirror whose configuration lists the drives at the given ports (device 0).
CDorvLogicalDrive MakeLogicalDrive(std::shared_ptr<CDorvAdapter> adapter, int number, std::uint64_t id = 0,
                                   const std::vector<int>& ports = {}) {
    CDorvLogicalDrive drive(std::move(adapter));
    drive.m_ID = id;
    drive.m_Number = number;
    drive.m_Name = "LogicalDrive_" + std::to_string(number);
    drive.m_UniqueID = "LD-" + std::to_string(number);
    drive.m_RaidLevel = 40009;
    std::string xml = "<LogicalDrive Number=\"" + std::to_string(number) + "\"><Container Number=\"0\">";
    for (int port : ports) {
        xml += "<Drive Port=\"" + std::to_string(port) + "\" Device=\"0\"/>";
    }
    EXPECT_TRUE(drive.m_Configuration.load_string((xml + "</Container></LogicalDrive>").c_str()));
    return drive;
}

// Each function's messages, in order.
void ExpectSaid(const TraceCapture& trace, const std::vector<std::pair<std::string, Texts>>& table) {
    for (const auto& [function, texts] : table) {
        EXPECT_EQ(trace.Messages("", function), texts) << function;
    }
}
// A timed lock statement's text, then its timing line.
Texts Timed(const std::string& statement) {
    return {statement, statement + "waited for microseconds: N "};
}
using NAMESPACE_piDorv::g_p_IPLUGINAPI_IMPL;

class Dispatch : public PluginTest {};
class Lifecycle : public PluginTest {};
class PluginObject : public PluginTest {};

TEST_F(Dispatch, RefusesUnknownCommandsAndMissingDataWithoutRunningAnything) {
    std::vector<PI::CObject> data(1);
    for (int code : {0, 11, 12, -1}) {
        EXPECT_EQ(Plugin().Execute(static_cast<PI::_COMMAND>(code), 0, &data), 20002u) << code;
    }
    for (int code : {1, 2, 4, 5, 6, 7, 8, 9, 10}) {
        EXPECT_EQ(Plugin().Execute(static_cast<PI::_COMMAND>(code), 0, nullptr), 20006u) << code;
    }
    EXPECT_EQ(std::make_tuple(data.size(), PluginId(), Peer::threadsRunning(Plugin()), Count("Plugin")),
              std::make_tuple(1ul, 0ul, false, 0ul));
}

TEST_F(Dispatch, CreateAndReleaseKeepTheGlobalPointerAndStopLeftThreads) {
    IPLUGINAPI* plugin = nullptr;
    ASSERT_EQ(createIf(&plugin), 0u);
    EXPECT_EQ(std::make_tuple(plugin->m_ModuleNumber, plugin->m_Header, g_p_IPLUGINAPI_IMPL),
              std::make_tuple(310u, 2u, static_cast<IPLUGINAPI_IMPL*>(plugin)));
    std::vector<PI::CAdapterID> ids;
    ASSERT_EQ(plugin->Execute(PI::SET_ADAPTER_IDS, 0, &ids), 0u);
    TraceCapture trace(0x2);
    releaseIf(&plugin);
    EXPECT_EQ(std::make_tuple(plugin, g_p_IPLUGINAPI_IMPL), std::make_tuple(nullptr, nullptr));
    EXPECT_EQ(trace.Count("LEAVE Worker()") + trace.Count("LEAVE EventPoll()"), 2);

    EXPECT_EQ(createIf(nullptr), 20006u);
    releaseIf(nullptr);
    ASSERT_EQ(createIf(&plugin), 0u);
    IPLUGINAPI* empty = nullptr;
    releaseIf(&empty); // only clears the global pointer
    EXPECT_EQ(g_p_IPLUGINAPI_IMPL, nullptr);
    releaseIf(&plugin);
    g_FailNothrowNew = true;
    const std::uint32_t status = createIf(&plugin);
    g_FailNothrowNew = false;
    EXPECT_EQ(std::make_tuple(status, plugin, g_p_IPLUGINAPI_IMPL), std::make_tuple(20007u, nullptr, nullptr));
}

TEST(Library, ExportsOnlyTheTwoEntryPoints) {
    // absolute symbols are version tags
    const std::string command = "nm -D --defined-only '" PIDORV_PLUGIN_LIBRARY "' | awk '$2 != \"A\" {print $3}'";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> names;
    for (char name[1024]; std::fscanf(pipe, "%1023s", name) == 1;) {
        names.insert(name);
    }
    ASSERT_EQ(pclose(pipe), 0);
    EXPECT_EQ(names, (std::set<std::string>{"createIf", "releaseIf"}));
}

TEST_F(Lifecycle, InitializeBuildsTheModelAndItsRowsAndAgainAFreshOne) {
    testing::internal::CaptureStdout();
    std::vector<PI::CAdapterID> ids(1); // not emptied first
    ASSERT_EQ(Plugin().Execute(PI::INITIALIZE, 0, &ids), 0u);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "piDorv:  Initialize:  adapter count is 1\n");
    const auto& plugin = Peer::plugin(Plugin());
    ASSERT_EQ(Peer::adapters(Plugin()).size(), 1u);
    const auto& a = *Peer::adapters(Plugin())[0];
    EXPECT_EQ(std::make_tuple(plugin.m_ID, plugin.m_Type, plugin.m_Children),
              std::make_tuple(ID_BASE, 19006, std::vector<std::uint64_t>{ID_BASE | 1}));
    EXPECT_EQ(
        std::make_tuple(a.m_ID, a.PI::CObject::m_Type, a.m_Type, a.m_Status, a.m_StatusWord2, a.m_UpdateCounter,
                        a.m_Parents),
        std::make_tuple(ID_BASE | 1, 19037, std::string("Dorv"), 40024, 1, 1ul, std::vector<std::uint64_t>{ID_BASE}));
    PI::CGlobalAdapterID global("localhost");
    global.SetAdapterUniqueID(a.m_UniqueID);
    EXPECT_EQ(a.m_GlobalAdapterNumber, global.GenerateUniqueAdapterNumber());
    ASSERT_EQ(ids.size(), 2u);
    EXPECT_EQ(std::make_tuple(ids[1].m_Bus, ids[1].m_Device, ids[1].m_Function, ids[1].m_Last),
              std::make_tuple(static_cast<std::int32_t>(a.m_PciBus), static_cast<std::int32_t>(a.m_PciDevice),
                              static_cast<std::int32_t>(a.m_PciFunction), -1));
    EXPECT_EQ(
        Query("SELECT ObjectID, Name, PollInterval, UniqueID, Vendor, Version, SettableProperties FROM Plugin"),
        (Rows{{std::to_string(ID_BASE), "Dorv-Plugin", "10", "Plugin:ID=310", "Linux", "7.12.1",
               R"({""settableProperties"":[{""name"":""pollinterval"",""formatStr"":""<int32>[2..255, 1]""}]})"}}));
    // Again: a fresh model, its identifiers never repeated.
    StartThreads();
    ASSERT_EQ(Plugin().Execute(PI::DEINITIALIZE, 0, nullptr), 0u);
    EXPECT_EQ(Initialize().size(), 1u);
    EXPECT_EQ(Peer::plugin(Plugin()).m_Children, std::vector<std::uint64_t>{ID_BASE | 3});
    EXPECT_EQ(Query("SELECT ObjectID FROM Plugin UNION ALL SELECT ObjectID FROM Adapter"),
              (Rows{{std::to_string(ID_BASE | 2)}, {std::to_string(ID_BASE | 3)}}));
}

// Each command's texts, and the lock hold lines named after the line of their lock statement.
TEST_F(Lifecycle, TracesEveryStep) {
    TraceCapture trace(0xFF);
    Initialize();
    StartThreads();
    std::vector<PI::CAdapterID> ids;
    EXPECT_EQ(Plugin().Execute(PI::SET_ADAPTER_IDS, 0, &ids), 20000u);
    std::vector<PI::CObject> objects;
    EXPECT_EQ(Plugin().Execute(PI::GET_TOPOLOGY, 0, &objects), 0u);
    Plugin().Execute(PI::DEINITIALIZE, 0, nullptr);
    Plugin().Execute(PI::DEINITIALIZE, 0, nullptr);
    const Texts stopped = {"Dorv... (Worker) is not joinable", "Dorv... (Event Pool) is not joinable"};
    ExpectSaid(trace,
               {{"Initialize",
                 Texts{"ENTER Initialize()"} + Timed("dL.lock()") +
                     Texts{"ScanSystem() ret = 0 physicalDrives_=0", "Create new adpID", "LEAVE Initialize() -> 0"}},
                {"SetAdapterIDs",
                 {"ENTER SetAdapterIDs", "ENTER SetAdapterIDs", "SetAdapterIDs() threads are already running"}},
                {"DeInitialize",
                 Texts{"ENTER DeInitialize", "Wait for termination... (Worker)", "Dorv... (Worker) is joinable"} +
                     Timed("workerTh_.thread_.join()") + Texts{"Dorv... (Event Pool) is joinable"} +
                     Timed("eventPoolTh_.thread_.join()") +
                     Texts{"LEAVE DeInitialize", "ENTER DeInitialize", "Wait for termination... (Worker)"} + stopped +
                     Texts{"LEAVE DeInitialize"}}});
    // Every record names the file and line of the statement that wrote it, a hold line that line again.
    std::map<std::string, Texts> sources;
    Texts holds;
    const std::regex place("\t(piDorv/Src/\\w+):(\\d+)\t");
    const std::regex hold(":([0-9]+)\t~CAutoScopeLeaveLogger_([0-9]+)\t(.*[^0-9])[0-9]+ $");
    for (const std::string& line : trace.Lines()) {
        std::smatch m;
        ASSERT_TRUE(std::regex_search(line, m, place)) << line;
        Texts& source = sources[m[1]];
        std::ifstream in(source.empty() ? PIDORV_SOURCE_DIR "/" + m[1].str() + ".cpp" : "");
        for (std::string text; std::getline(in, text);) {
            source.push_back(text);
        }
        const std::size_t number = std::stoul(m[2]);
        ASSERT_TRUE(number >= 1 && number <= source.size()) << line;
        EXPECT_TRUE(std::regex_search(source[number - 1], std::regex("PIDORV_\\w*(TRACE|TIMING)\\("))) << line;
        if (std::regex_search(line, m, hold)) {
            EXPECT_EQ(m[1], m[2]) << line;
            holds.push_back(m[3].str() + "N ");
        }
    }
    for (const char* name : {"Plugin", "Worker", "Routing", "Scan", "PluginDatabase", "Adapter"}) {
        EXPECT_EQ(1u, sources.count(std::string("piDorv/Src/piDorv") + name)) << name;
    }
    EXPECT_EQ(holds, (Texts{"dL.lock() . Lock held for microseconds: N ", "dL.lock() . Lock held for microseconds: N ",
                            "workerTh_.thread_.join() . Lock held for microseconds: N ",
                            "eventPoolTh_.thread_.join() . Lock held for microseconds: N "}));
}

TEST_F(PluginObject, EveryOperationRewritesThePluginRow) {
    Initialize();
    ASSERT_EQ(SetPollInterval(30), 0u);
    for (const bool queueBusy : {false, true}) {
        for (const std::int32_t code : {50002, 50999}) {
            Query("UPDATE Plugin SET ObjectID = 7, PollInterval = 3, Version = 'old'");
            std::unique_lock<std::mutex> busy(Peer::eL(Plugin()), std::defer_lock);
            if (queueBusy) {
                busy.lock();
            }
            PI::COperation op(code);
            EXPECT_EQ(Plugin().Execute(PI::EXECUTE_OPERATION, PluginId(), &op), code == 50002 ? 0u : 20005u);
            EXPECT_EQ(Query("SELECT ObjectID, PollInterval, Version FROM Plugin"),
                      (Rows{{std::to_string(ID_BASE), "30", "7.12.1"}}))
                << code << " busy " << queueBusy;
        }
    }
}

// Read whole from the stored file, set by the host; bounded either way.
TEST_F(PluginObject, PollIntervalIsReadOrSetBoundedPersistedAndWakesTheWorker) {
    const std::pair<const char*, std::uint32_t> cases[] = {
        {"PollInterval=1", 2},           {"PollInterval=0", 2},   {"PollInterval=300", 255},
        {"PollInterval=255", 255},       {"PollInterval=42", 42}, {"PollInterval= 7", 7},
        {"PollInterval=12abc", 10},      {"PollInterval=", 10},   {"PollInterval=0x10", 10},
        {"PollInterval=9999999999", 10}, {"Other=5", 10},         {nullptr, 10}};
    for (const auto& [content, expected] : cases) {
        std::filesystem::remove(m_ConfigDir / "piDorv.ini");
        if (content != nullptr) {
            WriteConfig(content + std::string("\n"));
        }
        IPLUGINAPI_IMPL plugin;
        EXPECT_EQ(Peer::pollInterval(plugin), expected) << (content ? content : "(no file)");
    }
    EXPECT_EQ(NAMESPACE_piDorv::PollIntervalFromText("7 "), 10u);
    Initialize();
    const std::uint64_t before = PluginUpdateCounter();
    EXPECT_EQ(SetPollInterval(30), 0u);
    EXPECT_EQ(
        std::make_tuple(Peer::pollInterval(Plugin()), PluginUpdateCounter(), Peer::eventHandler(Plugin()).pending(2)),
        std::make_tuple(30u, before + 1, 1));
    PI::CProperty name(30007, false);
    EXPECT_EQ(Plugin().Execute(PI::SET_PROPERTY, PluginId(), &name), 20004u);
    PI::CProperty value(30005, true);
    value.SetValue(std::string("fast")); // not a ranged value: reads as 0
    Plugin().Execute(PI::SET_PROPERTY, PluginId(), &value);
    EXPECT_EQ(Peer::pollInterval(Plugin()), 2u);
    value.SetValue(std::uint64_t{100000});
    Plugin().Execute(PI::SET_PROPERTY, PluginId(), &value);
    EXPECT_EQ(Peer::pollInterval(Plugin()), 255u);
    // A failed write is reported, but the value is used and the worker woken all the same.
    setenv("PI_CONFIG_DIR", (m_ConfigDir / "missing" / "deeper").string().c_str(), 1);
    EXPECT_NE(SetPollInterval(20), 0u);
    EXPECT_EQ(std::make_tuple(Peer::pollInterval(Plugin()), Peer::eventHandler(Plugin()).pending(2)),
              std::make_tuple(20u, 4));
}

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
    const Texts given = tried + Texts{"LEAVE GetEvents() -> 0"};
    const Texts executed = {"ENTER ExecutePluginOperation()", "LEAVE ExecutePluginOperation() -> 0"};
    ExpectSaid(trace, {{"onAddAvent", Timed("eL.lock()") + Timed("eL.lock()")},
                       {"GetEvents", tried + given + given},
                       {"ExecutePluginOperation", executed + executed + executed}});
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
    // The adapter's scan operation forces a cycle as well.
    PI::COperation scan(50007);
    ASSERT_EQ(Plugin().Execute(PI::EXECUTE_OPERATION, AdapterId(), &scan), 0u);
    EXPECT_TRUE(trace.WaitFor("forceWork event received, force scan", 2, 5));
}

TEST_F(Worker, LockObjectsFollowsItsRulesInOrder) {
    const auto adapter = Peer::adapters(Plugin()).at(0);
    auto& pd = Peer::physicalDrives(Plugin());
    auto& ld = Peer::logicalDrives(Plugin());
    pd = {MakePhysicalDrive(0), MakePhysicalDrive(1)};
    ld = {MakeLogicalDrive(adapter, 5), MakeLogicalDrive(adapter, 6)};
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
    EXPECT_FALSE(Locked([&] { return Peer::plugin(Plugin()).m_Locked || Peer::adapters(Plugin())[0]->m_Locked; }));
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

// The event-pool thread joins the host's throw state while the host has one, and leaves it at its end.
TEST_F(Worker, EventPoolJoinsTheHostsThrowState) {
    using TLX::Threading::CThrowState;
    CThrowState::Init();
    TraceCapture trace(0x2);
    StartThreads();
    ASSERT_TRUE(trace.WaitFor("ENTER EventPoll()"));
    const int running = CThrowState::s_Counter.load();
    ASSERT_EQ(Plugin().Execute(PI::DEINITIALIZE, 0, nullptr), 0u);
    EXPECT_EQ(std::make_pair(running, CThrowState::s_Counter.load()), std::make_pair(2, 1));
    CThrowState::Restore();
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
using AdapterList = std::vector<std::shared_ptr<CDorvAdapter>>;
using Ids = std::vector<std::uint64_t>;

const char* const SERIAL_A = "0123456789ABCDEF0123456789ABCDEF";
const char* const SERIAL_B = "FEDCBA9876543210FEDCBA9876543210";

class Scan : public PluginTest {
protected:
    // One reconcile with the locks held, as a worker cycle runs it: of a fresh scan, or of no adapter
    // and the given logical drives.
    std::uint32_t Reconcile(bool scan, std::vector<CDorvLogicalDrive> logical = {}) {
        std::lock_guard<std::mutex> data(Peer::dL(Plugin()));
        std::lock_guard<std::mutex> events(Peer::eL(Plugin()));
        AdapterList adapters;
        std::vector<CDorvPhysicalDrive> physical;
        if (scan) {
            EXPECT_EQ(Plugin().ScanSystem(adapters, physical, logical, false), 0u);
        }
        return Plugin().UpdateSystem(adapters, physical, logical);
    }
    void Answer(const std::vector<TreeAdapter>& adapters) { LumoEmu_SetAnswer(DeviceTree(adapters).c_str()); }
    // Initialize with the adapters the controller reports; gives the first adapter.
    std::shared_ptr<CDorvAdapter> InitializeWith(const std::vector<TreeAdapter>& adapters) {
        Answer(adapters);
        Initialize();
        return Peer::adapters(Plugin()).empty() ? nullptr : Peer::adapters(Plugin())[0];
    }
    // A current logical drive of the adapter, with its row.
    CDorvLogicalDrive AddCurrentDrive(const std::shared_ptr<CDorvAdapter>& adapter, int number) {
        CDorvLogicalDrive drive = MakeLogicalDrive(adapter, number, Plugin().NewID());
        Peer::logicalDrives(Plugin()).push_back(drive);
        adapter->m_Children.push_back(drive.m_ID);
        EXPECT_EQ(Plugin().InsertObjectToDatabase(drive, false), 0u);
        return drive;
    }
};

TEST_F(Scan, AdapterIsKeptAndUpdatedInPlaceAndInItsRow) {
    const auto adapter = InitializeWith({{SERIAL_A, "Dorv100 (0)"}});
    EXPECT_EQ(Reconcile(true), 20000u); // unchanged: nothing to do
    EXPECT_EQ(adapter->m_UpdateCounter, 1u);

    Answer({{SERIAL_A, "Dorv100 (0)", "2.0"}});
    EXPECT_EQ(Reconcile(true), 0u);
    EXPECT_EQ(Peer::adapters(Plugin()), AdapterList{adapter}); // the same shared object
    EXPECT_EQ(std::make_tuple(adapter->m_FirmwareVersion, adapter->m_ID, adapter->m_UpdateCounter),
              std::make_tuple(std::string("2.0"), ID_BASE | 1, 2ul));
    EXPECT_EQ(Query("SELECT FirmwareVersion, ObjectID FROM Adapter"), (Rows{{"2.0", std::to_string(ID_BASE | 1)}}));

    // A worker cycle rebuilds the relations and counts itself.
    const std::uint64_t pluginCounter = PluginUpdateCounter();
    Plugin().WorkerDo(false);
    EXPECT_EQ(std::make_tuple(adapter->m_Parents, Peer::plugin(Plugin()).m_Children, PluginUpdateCounter()),
              std::make_tuple(Ids{ID_BASE}, Ids{ID_BASE | 1}, pluginCounter + 1));
}

TEST_F(Scan, NewAdaptersAreAdoptedAndEachKeepsItsOwnNumberRowAndElement) {
    // A host that starts the threads first: Initialize replaces what a worker cycle adopted before it,
    // and without adapters still writes the plugin row.
    Answer({{SERIAL_A, "Dorv100 (0)"}});
    Plugin().WorkerDo(true);
    EXPECT_EQ(InitializeWith({}), nullptr);
    EXPECT_EQ(std::make_pair(Count("Plugin"), Count("Adapter")), std::make_pair(1ul, 0ul));
    InitializeWith({{SERIAL_A, "Dorv100 (0)"}});
    Answer({{SERIAL_A, "Dorv100 (0)"}, {SERIAL_B, "Dorv100 (1)"}});
    EXPECT_EQ(Reconcile(true), 20000u);
    const auto& adapters = Peer::adapters(Plugin());
    ASSERT_EQ(adapters.size(), 2u);
    EXPECT_EQ(std::make_pair(adapters[1]->m_UniqueID, adapters[1]->m_ID),
              std::make_pair(std::string(SERIAL_B), ID_BASE | 4));
    EXPECT_NE(adapters[0]->m_GlobalAdapterNumber, adapters[1]->m_GlobalAdapterNumber);
    EXPECT_EQ(Count("Plugin"), 1u); // one plugin row, however many adapters
    Answer({{SERIAL_A, "Dorv100 (0)"}, {SERIAL_B, "Dorv100 (1)", "9.9"}});
    EXPECT_EQ(Reconcile(true), 0u);
    EXPECT_EQ(Query("SELECT UniqueID, FirmwareVersion FROM Adapter ORDER BY ID"),
              (Rows{{SERIAL_A, "1.5 (LPC), 1.7 (FX3S)"}, {SERIAL_B, "9.9"}}));

    // Two elements sharing a serial: each current adapter follows its own element only.
    InitializeWith({{SERIAL_A, "Dorv100 (0)"}, {SERIAL_A, "Dorv100 (1)"}});
    Answer({{SERIAL_A, "Dorv100 (0)"}, {SERIAL_A, "Dorv100 (1)", "9.9"}});
    EXPECT_EQ(Reconcile(true), 0u);
    EXPECT_EQ(Reconcile(true), 20000u); // settled
    ASSERT_EQ(adapters.size(), 2u);
    EXPECT_EQ((Texts{adapters[0]->m_Name, adapters[0]->m_FirmwareVersion, adapters[1]->m_Name,
                     adapters[1]->m_FirmwareVersion}),
              (Texts{"Dorv100 (0)", "1.5 (LPC), 1.7 (FX3S)", "Dorv100 (1)", "9.9"}));
}

TEST_F(Scan, LogicalDrivesAreAdoptedUpdatedAndRemoved) {
    const auto adapter = InitializeWith({{SERIAL_A, "Dorv100 (0)"}});
    const auto& drives = Peer::logicalDrives(Plugin());
    // A new drive, tied to the scan's copy of the same adapter, is adopted with an identifier of its
    // own (a worker scan's records carry 0) and inserted.
    CDorvLogicalDrive drive = MakeLogicalDrive(std::make_shared<CDorvAdapter>(*adapter), 1);
    EXPECT_EQ(Reconcile(false, {drive}), 0u);
    ASSERT_EQ(drives.size(), 1u);
    EXPECT_EQ(std::make_tuple(drives[0].m_Adapter, drives[0].m_ID, adapter->m_Children, adapter->m_UpdateCounter),
              std::make_tuple(adapter, ID_BASE | 2, Ids{ID_BASE | 2}, 2ul));
    EXPECT_EQ(Query("SELECT Number, Name, ObjectID FROM LD"),
              (Rows{{"1", "LogicalDrive_1", std::to_string(ID_BASE | 2)}}));
    EXPECT_EQ(Reconcile(false, {drive}), 20000u); // the same drive again: nothing to do
    // A changed drive is updated, in its row as well, which keeps the drive's identifier; a renamed
    // drive's row is found by the name it was written with.
    drive.m_Status = 40094;
    drive.m_Name = "renamed";
    EXPECT_EQ(Reconcile(false, {drive}), 0u);
    EXPECT_EQ(std::make_pair(drives.size(), drives[0].m_Status), std::make_pair(1ul, 40094));
    EXPECT_EQ(Query("SELECT Status, Name, ObjectID FROM LD"),
              (Rows{{"DEGRADED", "renamed", std::to_string(ID_BASE | 2)}}));
    EXPECT_TRUE(Peer::events(Plugin()).empty());

    // A vanished drive raises an event and loses its row.
    EXPECT_EQ(Reconcile(false), 0u);
    EXPECT_TRUE(drives.empty() && adapter->m_Children.empty());
    EXPECT_EQ(std::make_pair(adapter->m_UpdateCounter, Count("LD")), std::make_pair(3ul, 0ul));
    const auto& events = Peer::events(Plugin());
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(std::make_tuple(events[0].m_Code, events[0].m_Code2, events[0].m_SourceID, events[0].m_SourceName,
                              events[0].m_PlaceHolder1, events[0].m_PlaceHolder2),
              std::make_tuple(10081, 3, adapter->m_ID, std::string("Dorv100 (0)"), std::string("Dorv100 (0)"),
                              std::string("1")));
}

TEST_F(Scan, WithSeveralAdaptersEachPassTreatsOnlyItsOwnDrives) {
    const auto a = InitializeWith({{SERIAL_A, "Dorv100 (0)"}, {SERIAL_B, "Dorv100 (1)"}});
    const auto b = Peer::adapters(Plugin()).at(1);
    const auto& drives = Peer::logicalDrives(Plugin());
    const CDorvLogicalDrive kept = AddCurrentDrive(a, 0);
    const CDorvLogicalDrive added = MakeLogicalDrive(a, 1, ID_BASE | 0x60);
    EXPECT_EQ(Reconcile(false, {kept, added}), 0u);
    ASSERT_EQ(drives.size(), 2u); // the current drive stays, the new one is taken once
    EXPECT_EQ(std::make_tuple(drives[0].m_Number, drives[1].m_Number, drives[1].m_Adapter), std::make_tuple(0, 1, a));
    EXPECT_TRUE(Peer::events(Plugin()).empty() && b->m_Children.empty());
    EXPECT_EQ(Count("LD"), 2u);

    // A new drive of the second adapter is adopted by that adapter, and leaves with it.
    EXPECT_EQ(Reconcile(false, {kept, added, MakeLogicalDrive(b, 7)}), 0u);
    ASSERT_EQ(drives.size(), 3u);
    EXPECT_EQ(std::make_pair(drives[2].m_Adapter, b->m_Children), std::make_pair(b, Ids{drives[2].m_ID}));
    EXPECT_EQ(Reconcile(false, {kept, added}), 0u);
    EXPECT_EQ(drives.size(), 2u);
    Peer::events(Plugin()).clear();

    // A drive of the second adapter goes only when that adapter's list lacks it, and only its own
    // row goes with it although the first adapter has a drive 0 as well.
    const CDorvLogicalDrive other = AddCurrentDrive(b, 0);
    EXPECT_EQ(Reconcile(false, {kept, added, other}), 20000u);
    EXPECT_EQ(Reconcile(false, {kept, added}), 0u);
    ASSERT_EQ(Peer::events(Plugin()).size(), 1u);
    EXPECT_EQ(Peer::events(Plugin())[0].m_SourceID, b->m_ID);
    EXPECT_EQ(drives.size(), 2u);
    EXPECT_EQ(Query("SELECT ObjectID FROM LD WHERE Number = 0"), (Rows{{std::to_string(kept.m_ID)}}));
}

TEST_F(Scan, TracesEachPass) {
    InitializeWith({{SERIAL_A, "Dorv100 (0)"}, {SERIAL_B, "Dorv100 (1)"}});
    TraceCapture trace(0x2 | 0x4 | 0x10);
    std::vector<CDorvLogicalDrive> logical = {MakeLogicalDrive(nullptr, 4)};
    std::vector<CDorvPhysicalDrive> physical = {MakePhysicalDrive(0)};
    AdapterList adapters;
    Plugin().UpdateSystem(adapters, physical, logical);
    Plugin().ScanSystem(adapters, physical, logical, false);
    ExpectSaid(trace, {{"ScanSystem",
                        {"ENTER ScanSystem(0) PhyDrive=1 LogDrive=1", "ScanSystem() before EnumerateAllDisks",
                         "LEAVE ScanSystem() -> 0"}},
                       {"UpdateSystem",
                        {"ENTER UpdateSystem for adapter, 1 physicalDrives, 1 logicalDrive(s)",
                         "UpdateSystem() Zul physicalDrives = 1", "UpdateSystem() Zul physicalDrives = 1",
                         "LEAVE UpdateSystem ret = 0"}}});
}

class RowRoutines : public PluginTest {};

std::shared_ptr<CDorvAdapter> MakeAdapter(std::uint32_t number, const std::string& name) {
    auto adapter = std::make_shared<CDorvAdapter>();
    adapter->m_GlobalAdapterNumber = number;
    adapter->m_Name = name;
    return adapter;
}

// A database whose every query throws what the test asks for.
struct FailingDAO : DatabaseWrapper::DatabaseDAO {
    std::function<void()> fail = [] { throw DBEXCEPTION::DatabaseException("locked"); };
    Rows query(std::string) override {
        fail();
        return {};
    }
};

TEST_F(RowRoutines, EachReportsItsResultInTheTraceAndFailsAsGeneral) {
    auto adapter = MakeAdapter(7, "first");
    std::vector<CDorvPhysicalDrive> pd = {MakePhysicalDrive(1)};
    std::vector<CDorvLogicalDrive> ld = {MakeLogicalDrive(nullptr, 0, 0, {1})};
    auto& plugin = Peer::plugin(Plugin());
    const std::string what = " (Storage query exception thrown! (locked))";
    const std::string unread = " (Storage query exception thrown! Cannot read ID from database!" + what;
    auto& p = Plugin();
    const std::vector<std::tuple<std::function<std::uint32_t()>, std::string, std::string>> routines = {
        {[&] { return p.InsertObjectToDatabase(adapter, false); }, "Adapter (first) (7) inserted to db.",
         "Storage query exception thrown during inserting Adapter (first) (7) to db."},
        {[&] { return p.InsertObjectToDatabase(pd[0], false); }, "PD (SD1) (1) entry inserted to db.",
         "Storage query exception thrown during inserting PD (SD1) (1) to db." + unread},
        {[&] { return p.InsertObjectToDatabase(ld[0], false); }, "LD (LogicalDrive_0) (0) inserted to db.",
         "Storage query exception thrown during inserting LD (LogicalDrive_0) (0) to db." + unread},
        {[&] { return p.InsertObjectToDatabase(plugin, false); }, "Plugin Dorv100 inserted to db.",
         "Exception thrown during inserting Dorv100 plugin object to db." + unread},
        {[&] { return p.InsertAdapterPdToLdAssociationsToDb(ld, pd); },
         "PdLdAssociation LD number (0) and PD slot number (1) inserted to db.",
         "Storage query exception thrown during inserting PD nad LD association for LD number (0) and PD slot number "
         "(1)." +
             what},
        {[&] { return p.UpdateObjectInDatabase(adapter); }, "Adapter (first) (7) entry updated in db.",
         "Storage query exception thrown during updating Adapter (first) (7) in db." + what},
        {[&] { return p.UpdateObjectInDatabase(pd[0]); }, "PD (SD1) (1) entry updated id db.",
         "Storage query exception thrown during updating PD (SD1) (1) id db." + what},
        {[&] { return p.UpdateObjectInDatabase(ld[0]); }, "LD number (0) entry updated id db.",
         "Storage query exception thrown during updating LD number (0) id db." + what},
        {[&] { return p.UpdateObjectInDatabase(plugin); }, "Plugin Dorv100 updated in db.",
         "Exception thrown during updating Dorv100 plugin object entry in db." + what},
        {[&] { return p.DeleteObjectFromDatabase(boost::optional<std::shared_ptr<CDorvAdapter>&>(adapter)); },
         "Dorv100 adapter removed from db.",
         "Storage query exception thrown during removing Dorv100 adapter from db." + what},
        {[&] { return p.DeleteObjectFromDatabase(pd[0]); }, "", ""}, // a drive's row stays
        {[&] { return p.DeleteObjectFromDatabase(ld[0]); }, "LD (LogicalDrive_0) (0) removed from db.",
         "Storage query exception thrown during removing LD (LogicalDrive_0) (0) from db." + what},
        {[&] { return p.DeleteObjectFromDatabase(plugin); }, "Plugin Dorv removed from db.",
         "Exception thrown during removing Dorv plugin object from db." + what},
    };
    auto dao = std::make_shared<FailingDAO>();
    for (const bool failing : {false, true}) {
        if (failing) {
            Peer::setDatabase(Plugin(),
                              std::make_shared<DatabaseORM::storage_t>(dao, m_Db->tables(), m_Db->fieldsMaps()));
        }
        for (const auto& [routine, done, failed] : routines) {
            TraceCapture trace(0x80);
            const std::string& text = failing ? failed : done;
            EXPECT_EQ(routine(), failing && !text.empty() ? 20000u : 0u) << text;
            EXPECT_EQ(trace.Messages(), text.empty() ? Texts{} : Texts{text});
        }
    }
    EXPECT_EQ(Count("PD"), 1u);
    // Updates end on a stored text that is not a number as well; memory exhaustion is no routine's to swallow.
    for (const auto& [routine, done, failed] : routines) {
        if (done.find("updated") != std::string::npos) {
            for (const bool conversion : {true, false}) {
                dao->fail = conversion ? std::function<void()>([] { throw std::invalid_argument("stoi"); })
                                       : [] { throw std::out_of_range("stoi"); };
                EXPECT_EQ(routine(), 20000u) << done;
            }
        }
        dao->fail = [] { throw std::bad_alloc(); };
        if (!done.empty()) {
            EXPECT_THROW(routine(), std::bad_alloc) << done;
        }
    }
}

TEST_F(RowRoutines, RowsAreFoundByTheirKeys) {
    auto adapter = MakeAdapter(7, "first");
    auto& plugin = Peer::plugin(Plugin());
    EXPECT_EQ(Plugin().UpdateObjectInDatabase(adapter) + Plugin().UpdateObjectInDatabase(plugin), 0u);
    EXPECT_EQ(Count("Adapter") + Count("Plugin"), 0u);
    auto second = MakeAdapter(2, "b");
    ASSERT_EQ(Plugin().InsertObjectToDatabase(adapter, false), 0u); // the first row
    ASSERT_EQ(Plugin().InsertObjectToDatabase(second, false), 0u);
    adapter->m_Name = "renamed";
    EXPECT_EQ(Plugin().UpdateObjectInDatabase(adapter), 0u);
    EXPECT_EQ(Query("SELECT Name, GlobalAdapterNumber FROM Adapter ORDER BY ID"), (Rows{{"renamed", "7"}, {"b", "2"}}));
    EXPECT_EQ(Plugin().DeleteObjectFromDatabase(boost::none), 0u); // every Dorv adapter row of this host
    EXPECT_EQ(Count("Adapter"), 0u);

    auto physical = MakePhysicalDrive(1);
    ASSERT_EQ(Plugin().InsertObjectToDatabase(physical, false), 0u);
    physical.m_Name = "renamed";
    EXPECT_EQ(Plugin().UpdateObjectInDatabase(physical), 0u);
    EXPECT_EQ(Query("SELECT Name, HostName FROM PD"), (Rows{{"renamed", "localhost"}}));

    auto drive = MakeLogicalDrive(nullptr, 0, ID_BASE | 20);
    auto twin = MakeLogicalDrive(nullptr, 0, ID_BASE | 21);
    ASSERT_EQ(Plugin().InsertObjectToDatabase(drive, false) + Plugin().InsertObjectToDatabase(twin, false), 0u);
    drive.m_UniqueID = "ignored";
    EXPECT_EQ(Plugin().UpdateObjectInDatabase(drive), 0u);
    EXPECT_EQ(Query("SELECT UniqueID FROM LD"), (Rows{{"LD-0"}, {"LD-0"}}));
}

TEST_F(RowRoutines, DriveLinksFollowTheConfigurationAndAFailureSkipsTheRestOfItsDrive) {
    std::vector<CDorvPhysicalDrive> physical = {MakePhysicalDrive(0), MakePhysicalDrive(1), MakePhysicalDrive(2)};
    std::vector<CDorvLogicalDrive> logical = {MakeLogicalDrive(nullptr, 0, 0, {0, 1}),
                                              MakeLogicalDrive(nullptr, 1, 0, {2})};
    EXPECT_EQ(Plugin().InsertAdapterPdToLdAssociationsToDb(logical, physical), 0u);
    EXPECT_EQ(Query("SELECT LogicalDriveNumber, SlotNumber, LogicalDriveUniqueID, PhysicalDriveUniqueID FROM PD_LD"),
              (Rows{{"0", "0", "LD-0", "PD-0"}, {"0", "1", "LD-0", "PD-1"}, {"1", "2", "LD-1", "PD-2"}}));

    Query("DELETE FROM PD_LD");
    Query("CREATE TRIGGER refuse BEFORE INSERT ON PD_LD WHEN NEW.LogicalDriveNumber = 0 "
          "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    EXPECT_EQ(Plugin().InsertAdapterPdToLdAssociationsToDb(logical, physical), 20000u);
    EXPECT_EQ(Query("SELECT LogicalDriveNumber, SlotNumber FROM PD_LD"), (Rows{{"1", "2"}}));
}

class Routing : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        Initialize();
    }
    // Two SD cards and one mirror over them, as the object model holds them.
    void AddDrives() {
        for (int port : {0, 1}) {
            Peer::physicalDrives(Plugin()).push_back(MakePhysicalDrive(port, Plugin().NewID()));
        }
        Peer::logicalDrives(Plugin()).push_back(
            MakeLogicalDrive(Peer::adapters(Plugin()).at(0), 0, Plugin().NewID(), {0, 1}));
    }
};

TEST_F(Routing, TopologyListsPluginAdapterAndDrivesInOrderWithTheirLists) {
    AddDrives();
    Peer::physicalDrives(Plugin())[0].m_Properties.emplace_back(30999, true); // a stale list is not shown
    std::vector<PI::CObject> objects(4);                                      // destroyed first
    ASSERT_EQ(Plugin().Execute(PI::GET_TOPOLOGY, 0, &objects), 0u);
    ASSERT_EQ(objects.size(), 5u);
    const std::vector<std::size_t> properties = {5, 23, 14, 14, 11};
    for (std::size_t i = 0; i < properties.size(); ++i) {
        EXPECT_EQ(std::make_pair(objects[i].m_ID, objects[i].m_Properties.size()),
                  std::make_pair(ID_BASE | i, properties[i]));
    }
    EXPECT_EQ(Describe(objects[0].m_Properties),
              (Texts{"30137 pos=0 'Plugin:ID=310'", "30007 label=23334 'Dorv-Plugin'", "30099 label=23339 '7.12.1'",
                     "30003 label=23338 'Linux'", "30005 label=23335 extra=21007 rw #10 [2..255/1]"}));
    EXPECT_EQ(Describe(objects[0].m_Operations), Texts{"50002 kind=6 block={1,1,1,1,0,1}"});
    // A physical drive offers no operation, a logical drive one.
    EXPECT_EQ(Describe(objects[2].m_Operations + objects[4].m_Operations), Texts{"50005 kind=3 block={1,1,1,1,0,1}"});
    // The adapter's RAID-level operation arrives already run.
    ASSERT_EQ(objects[1].m_Operations.size(), 2u);
    EXPECT_EQ(std::make_tuple(objects[1].m_Operations[0].m_Levels.size(), objects[1].m_Operations[1].m_Code,
                              objects[1].m_Operations[1].m_Levels.size()),
              std::make_tuple(0ul, 50003, 1ul));
    // The stored objects themselves carry no lists.
    EXPECT_TRUE(Peer::plugin(Plugin()).m_Properties.empty() && Peer::adapters(Plugin())[0]->m_Operations.empty());
}

TEST_F(Routing, GetPropertyCountsEveryReadRejectsCodesTheObjectLacksAndDrivesGetNothing) {
    const auto adapter = Peer::adapters(Plugin()).at(0);
    const std::uint64_t pluginBefore = PluginUpdateCounter();
    const std::uint64_t adapterBefore = adapter->m_UpdateCounter;
    PI::CProperty poll(30005, false);
    ASSERT_EQ(Plugin().Execute(PI::GET_PROPERTY, PluginId(), &poll), 0u);
    PI::CProperty name(30007, false);
    ASSERT_EQ(Plugin().Execute(PI::GET_PROPERTY, AdapterId(), &name), 0u);
    EXPECT_EQ(name.String()->text, adapter->m_Name);
    PI::CProperty unknown(30050, false);
    EXPECT_EQ(Plugin().Execute(PI::GET_PROPERTY, PluginId(), &unknown), 20000u);
    PI::CProperty driverVersion(30018, false); // offered only with a driver version
    EXPECT_EQ(Plugin().Execute(PI::GET_PROPERTY, AdapterId(), &driverVersion), 20000u);
    EXPECT_EQ(std::make_pair(PluginUpdateCounter(), adapter->m_UpdateCounter),
              std::make_pair(pluginBefore + 2, adapterBefore + 2));
    // Drive identifiers reach nothing (the plugin, adapters and unknown identifiers: HostInput tests).
    AddDrives();
    std::vector<PI::CProperty> properties(3);
    std::vector<PI::COperation> operations(3);
    PI::CProperty property(30007, false);
    PI::COperation scan(50007);
    const std::uint64_t id = ID_BASE | 2;
    EXPECT_EQ((std::vector<std::uint32_t>(6, 20008u)),
              (std::vector<std::uint32_t>{Plugin().Execute(PI::GET_PROPERTIES, id, &properties),
                                          Plugin().Execute(PI::GET_OPERATIONS, id, &operations),
                                          Plugin().Execute(PI::GET_PROPERTY, id, &property),
                                          Plugin().Execute(PI::SET_PROPERTY, id, &property),
                                          Plugin().Execute(PI::CHECK_OPERATION, id, &scan),
                                          Plugin().Execute(PI::EXECUTE_OPERATION, id, &scan)}));
    EXPECT_TRUE(properties.empty() && operations.empty() && Peer::events(Plugin()).empty());
}

TEST_F(Routing, TracesEveryRequest) {
    Peer::physicalDrives(Plugin()).push_back(MakePhysicalDrive(0, Plugin().NewID()));
    Peer::logicalDrives(Plugin()).push_back(MakeLogicalDrive(Peer::adapters(Plugin())[0], 0, Plugin().NewID()));
    TraceCapture trace(0x2 | 0x4 | 0x8 | 0x10);
    std::vector<PI::CProperty> properties(2);
    Plugin().Execute(PI::GET_PROPERTIES, PluginId(), &properties);
    EXPECT_EQ(properties.size(), 5u) << "the plugin's five replace what the list held";
    PI::CProperty property(30007, false);
    Plugin().Execute(PI::GET_PROPERTY, AdapterId(), &property);
    Plugin().Execute(PI::SET_PROPERTY, AdapterId(), &property);
    std::vector<PI::COperation> operations;
    Plugin().Execute(PI::GET_OPERATIONS, AdapterId(), &operations);
    Plugin().Execute(PI::GET_OPERATIONS, 5, &operations);
    PI::COperation op(50999);
    Plugin().Execute(PI::CHECK_OPERATION, 5, &op);
    Plugin().Execute(PI::EXECUTE_OPERATION, AdapterId(), &op);
    std::vector<PI::CObject> objects;
    Plugin().Execute(PI::GET_TOPOLOGY, 0, &objects);
    const std::string locked = "dL.lock()", waited = "dL.lock()waited for microseconds: N ";
    ExpectSaid(trace, {{"GetProperties", {locked, waited}},
                       {"GetProperty", {locked, waited}},
                       {"SetProperty", {locked, waited}},
                       {"GetOperations",
                        {"ENTER GetOperations object=0x136000000000001", locked, waited, "LEAVE GetOperations ret=0",
                         "ENTER GetOperations object=0x5", locked, waited, "LEAVE GetOperations ret=20008"}},
                       {"CheckOperation",
                        {"ENTER CheckOperation operation=50999", locked, waited, "LEAVE CheckOperation(20008)"}},
                       {"ExecuteOperation",
                        {"ENTER ExecuteOperation operation=50999", locked, waited, "LEAVE ExecuteOperation(20005)"}},
                       {"GetTopology",
                        {"ENTER GetTopology", locked, waited, "GetTopology() Adapter m_ID=0x136000000000001",
                         "GetTopology() PhysicalDrive (0/0) m_ID=0x136000000000002",
                         "GetTopology() LogicalDrive (0) m_ID=0x136000000000003", "LEAVE GetTopology"}}});
}
} // namespace
