// Entry points, the command dispatcher, identifiers and the stored poll interval.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <set>
#include <sstream>

#include "CoreTestSupport.h"

extern "C" std::uint32_t createIf(IPLUGINAPI** out);
extern "C" void releaseIf(IPLUGINAPI** holder);

namespace {
// Lets a test make the non-throwing allocation fail.
std::atomic<bool> g_FailNothrowNew{false};
} // namespace

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (g_FailNothrowNew.load()) {
        return nullptr;
    }
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}

namespace core_test {
namespace {
using NAMESPACE_piDorv::g_p_IPLUGINAPI_IMPL;

class DispatchTest : public CoreTest {};

TEST_F(DispatchTest, UnknownCommandsReturnInvalidCommandAndLeaveDataAlone) {
    std::vector<PI::CObject> data(1);
    data[0].m_ID = 77;
    for (int code : {0, 11, 12, -1}) {
        EXPECT_EQ(Plugin().Execute(static_cast<PI::_COMMAND>(code), 0, &data), 20002u) << code;
        ASSERT_EQ(data.size(), 1u);
        EXPECT_EQ(data[0].m_ID, 77u);
    }
    EXPECT_EQ(PluginId(), 0u); // no Initialize ran
}

TEST_F(DispatchTest, NullDataForCommandsThatUseItIsInvalidParameter) {
    for (int code : {1, 2, 4, 5, 6, 7, 8, 9, 10}) {
        EXPECT_EQ(Plugin().Execute(static_cast<PI::_COMMAND>(code), 0, nullptr), 20006u) << code;
    }
    // Nothing ran: no identifier drawn, no thread started, no row written.
    EXPECT_EQ(PluginId(), 0u);
    EXPECT_FALSE(Peer::workerRunning(Plugin()));
    EXPECT_EQ(Count("Plugin"), 0u);
    // DeInitialize ignores its data.
    EXPECT_EQ(Plugin().Execute(PI::DEINITIALIZE, 0, nullptr), 0u);
}

TEST_F(DispatchTest, FailingListCommandsLeaveTheVectorEmpty) {
    Initialize();
    const unsigned long unknown = ID_BASE | 0xFFFF;

    std::vector<PI::CProperty> properties(3);
    EXPECT_EQ(Plugin().Execute(PI::GET_PROPERTIES, unknown, &properties), 20008u);
    EXPECT_TRUE(properties.empty());

    std::vector<PI::COperation> operations(2);
    EXPECT_EQ(Plugin().Execute(PI::GET_OPERATIONS, unknown, &operations), 20008u);
    EXPECT_TRUE(operations.empty());
}

TEST_F(DispatchTest, NewIdCarriesTheModuleNumberAndNeverRepeats) {
    EXPECT_EQ(Plugin().NewID(), ID_BASE);
    EXPECT_EQ(Plugin().NewID(), ID_BASE | 1);
    EXPECT_EQ(Plugin().NewID(), ID_BASE | 2);
}

// ---- The stored poll interval ----

struct PollCase {
    const char* content; // file content, or null for no file
    std::uint32_t expected;
};

class PollIntervalTest : public CoreTest, public ::testing::WithParamInterface<PollCase> {};

TEST_P(PollIntervalTest, ConstructorReadsAndBoundsTheStoredText) {
    const PollCase& c = GetParam();
    if (c.content != nullptr) {
        WriteConfig(c.content);
    }
    IPLUGINAPI_IMPL plugin;
    EXPECT_EQ(Peer::pollInterval(plugin), c.expected) << (c.content ? c.content : "(no file)");
}

INSTANTIATE_TEST_SUITE_P(Texts, PollIntervalTest,
                         ::testing::Values(PollCase{"PollInterval=1\n", 2}, PollCase{"PollInterval=0\n", 2},
                                           PollCase{"PollInterval=300\n", 255}, PollCase{"PollInterval=12abc\n", 10},
                                           PollCase{"PollInterval=\n", 10}, PollCase{"PollInterval= 7\n", 7},
                                           PollCase{"PollInterval=42\n", 42}, PollCase{"Other=5\n", 10},
                                           PollCase{nullptr, 10}));

TEST(PollIntervalText, WholeTextMustBeDecimal) {
    const std::pair<const char*, std::uint32_t> cases[] = {{"255", 255}, {"256", 255}, {"2", 2},
                                                           {"7 ", 10},   {"0x10", 10}, {"99999999999", 10}};
    for (const auto& c : cases) {
        EXPECT_EQ(NAMESPACE_piDorv::PollIntervalFromText(c.first), c.second) << c.first;
    }
}

// ---- createIf / releaseIf ----

class EntryTest : public CoreTest {};

TEST_F(EntryTest, CreateAndRelease) {
    IPLUGINAPI* plugin = nullptr;
    ASSERT_EQ(createIf(&plugin), 0u);
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(std::make_pair(plugin->m_ModuleNumber, plugin->m_Header), std::make_pair(310u, 2u));
    EXPECT_EQ(static_cast<IPLUGINAPI*>(g_p_IPLUGINAPI_IMPL), plugin);
    releaseIf(&plugin);
    EXPECT_EQ(plugin, nullptr);
    EXPECT_EQ(g_p_IPLUGINAPI_IMPL, nullptr);

    // Null holders are refused; an empty one only clears the global pointer.
    EXPECT_EQ(createIf(nullptr), 20006u);
    releaseIf(nullptr);
    ASSERT_EQ(createIf(&plugin), 0u);
    IPLUGINAPI* empty = nullptr;
    releaseIf(&empty);
    EXPECT_EQ(g_p_IPLUGINAPI_IMPL, nullptr);
    releaseIf(&plugin);
}

TEST_F(EntryTest, FailedAllocationGivesMemoryError) {
    IPLUGINAPI* plugin = reinterpret_cast<IPLUGINAPI*>(0x1);
    g_FailNothrowNew = true;
    const std::uint32_t status = createIf(&plugin);
    g_FailNothrowNew = false;
    EXPECT_EQ(status, 20007u);
    EXPECT_EQ(plugin, nullptr);
    EXPECT_EQ(g_p_IPLUGINAPI_IMPL, nullptr);
}

TEST_F(EntryTest, ReleaseWhileThreadsRunStopsThemFirst) {
    IPLUGINAPI* plugin = nullptr;
    ASSERT_EQ(createIf(&plugin), 0u);
    std::vector<PI::CAdapterID> ids;
    ASSERT_EQ(plugin->Execute(PI::INITIALIZE, 0, &ids), 0u);
    ASSERT_EQ(plugin->Execute(PI::SET_ADAPTER_IDS, 0, &ids), 0u);
    TraceCapture trace(0x2);
    releaseIf(&plugin); // no DeInitialize: the threads must still be stopped and joined
    EXPECT_EQ(plugin, nullptr);
    EXPECT_EQ(trace.Count("LEAVE Worker()"), 1);
    EXPECT_EQ(trace.Count("LEAVE EventPoll()"), 1);
}

TEST(ExportedSymbols, LibraryExportsOnlyTheTwoEntryPoints) {
    const std::string command = std::string("nm -D --defined-only '") + PIDORV_PLUGIN_LIBRARY + "'";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> names;
    char line[1024];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::istringstream fields(line);
        std::string address, type, name;
        if (fields >> address >> type >> name && type != "A") { // absolute symbols are version tags
            names.insert(name);
        }
    }
    ASSERT_EQ(pclose(pipe), 0);
    EXPECT_EQ(names, (std::set<std::string>{"createIf", "releaseIf"}));
}
} // namespace
} // namespace core_test
