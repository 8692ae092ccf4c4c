// Entry points, the command dispatcher, Initialize, SetAdapterIDs and DeInitialize, and the plugin's
// own shown object with its stored poll interval.
#include <atomic>
#include <cstdio>
#include <new>
#include <regex>
#include <set>

#include "CoreTest.h"

extern "C" std::uint32_t createIf(IPLUGINAPI** out);
extern "C" void releaseIf(IPLUGINAPI** holder);

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
    EXPECT_EQ(Plugin().Execute(PI::DEINITIALIZE, 0, nullptr), 0u); // ignores its data
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

TEST_F(Lifecycle, InitializeBuildsTheModelAndItsRows) {
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
    EXPECT_EQ(Query("SELECT ObjectID, GlobalAdapterNumber, HostName FROM Adapter"),
              (Rows{{std::to_string(ID_BASE | 1), std::to_string(a.m_GlobalAdapterNumber), "localhost"}}));
}

TEST_F(Lifecycle, InitializeAgainOrWithoutControllerStartsAFreshModel) {
    Initialize();
    StartThreads();
    ASSERT_EQ(Plugin().Execute(PI::DEINITIALIZE, 0, nullptr), 0u);
    EXPECT_EQ(Initialize().size(), 1u);
    EXPECT_EQ(Peer::plugin(Plugin()).m_Children, std::vector<std::uint64_t>{ID_BASE | 3}); // never repeated
    EXPECT_EQ(Query("SELECT ObjectID FROM Plugin UNION ALL SELECT ObjectID FROM Adapter"),
              (Rows{{std::to_string(ID_BASE | 2)}, {std::to_string(ID_BASE | 3)}}));
    LumoEmu_SetFaults("no-controller");
    EXPECT_TRUE(Initialize().empty());
    EXPECT_EQ(std::make_tuple(Peer::adapters(Plugin()).size(), Count("Plugin"), Count("Adapter")),
              std::make_tuple(0ul, 1ul, 0ul));
}

// Each command's texts, and the lock hold lines named after the line of their lock statement.
TEST_F(Lifecycle, TracesEveryStep) {
    TraceCapture trace(0x2 | 0x8 | 0x10);
    Initialize();
    StartThreads();
    std::vector<PI::CAdapterID> ids;
    EXPECT_EQ(Plugin().Execute(PI::SET_ADAPTER_IDS, 0, &ids), 20000u);
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
    Texts holds;
    const std::regex hold(":([0-9]+)\t~CAutoScopeLeaveLogger_([0-9]+)\t(.*[^0-9])[0-9]+ $");
    for (const std::string& line : trace.Lines()) {
        std::smatch m;
        if (std::regex_search(line, m, hold)) {
            EXPECT_EQ(m[1], m[2]) << line;
            holds.push_back(m[3].str() + "N ");
        }
    }
    EXPECT_EQ(holds, (Texts{"dL.lock() . Lock held for microseconds: N ",
                            "workerTh_.thread_.join() . Lock held for microseconds: N ",
                            "eventPoolTh_.thread_.join() . Lock held for microseconds: N "}));
    EXPECT_EQ(Peer::eventHandler(Plugin()).pending(0), 0); // one stop per running thread, none without
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

TEST_F(PluginObject, PollIntervalIsBoundedPersistedAndWakesTheWorker) {
    Initialize();
    const std::uint64_t before = PluginUpdateCounter();
    EXPECT_EQ(SetPollInterval(30), 0u);
    EXPECT_EQ(
        std::make_tuple(Peer::pollInterval(Plugin()), PluginUpdateCounter(), Peer::eventHandler(Plugin()).pending(2)),
        std::make_tuple(30u, before + 1, 1));
    EXPECT_NE(ReadConfig().find("PollInterval=30"), std::string::npos);
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

TEST_F(PluginObject, StoredPollIntervalIsReadWholeAndBounded) {
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
}
} // namespace
