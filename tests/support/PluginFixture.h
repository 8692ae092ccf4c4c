// The plugin test fixture: a plugin object on a fresh database, an emulated controller and a private
// configuration directory, with the host commands tests use most; and the same plugin as a host
// holds it, for the tests under hostile conditions.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#include "db/Database.h"
#include "lumo/Lumo.h"
#include "orm/RaidDataModels.h"
#include "piDorv/Src/piDorvPlugin.h"
#include "support/DeviceTree.h"
#include "support/Eventually.h"
#include "support/PluginTestPeer.h"
#include "support/TraceCapture.h"

extern "C" std::uint32_t createIf(IPLUGINAPI** out);
extern "C" void releaseIf(IPLUGINAPI** holder);

namespace test_support {
using NAMESPACE_piDorv::IPLUGINAPI_IMPL;
using Peer = NAMESPACE_piDorv::PluginTestPeer;
using Rows = std::vector<std::vector<std::string>>;
using Texts = std::vector<std::string>;

const std::uint64_t ID_BASE = 0x0136000000000000ull;

class PluginTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_ConfigDir = std::filesystem::path(::testing::TempDir()) / ("pidorv-" + std::to_string(getpid()));
        std::filesystem::remove_all(m_ConfigDir); // left by a crashed run
        std::filesystem::create_directories(m_ConfigDir);
        setenv("PI_CONFIG_DIR", m_ConfigDir.string().c_str(), 1);
        LumoEmu_Reset();
        m_Db = DatabaseWrapper::resetDatabaseForTests();
        m_Plugin = std::make_unique<IPLUGINAPI_IMPL>();
    }
    void TearDown() override {
        m_Plugin.reset();
        LumoEmu_Reset();
        std::filesystem::remove_all(m_ConfigDir);
    }

    IPLUGINAPI_IMPL& Plugin() { return *m_Plugin; }
    Rows Query(const std::string& sql) { return m_Db->dao()->query(sql); }
    std::size_t Count(const std::string& table) {
        return static_cast<std::size_t>(std::stoul(Query("SELECT COUNT(*) FROM " + table).at(0).at(0)));
    }
    void WriteConfig(const std::string& content) { std::ofstream((m_ConfigDir / "piDorv.ini").string()) << content; }
    std::string ReadConfig() {
        std::ostringstream content;
        content << std::ifstream((m_ConfigDir / "piDorv.ini").string()).rdbuf();
        return content.str();
    }

    // The host commands, each expected to succeed.
    std::vector<PI::CAdapterID> Initialize() {
        std::vector<PI::CAdapterID> ids;
        EXPECT_EQ(Plugin().Execute(PI::INITIALIZE, 0, &ids), 0u);
        return ids;
    }
    void StartThreads() {
        std::vector<PI::CAdapterID> ids;
        ASSERT_EQ(Plugin().Execute(PI::SET_ADAPTER_IDS, 0, &ids), 0u);
    }
    std::vector<PI::CEvent> CollectEvents() {
        PI::COperation op(50002);
        EXPECT_EQ(Plugin().Execute(PI::EXECUTE_OPERATION, PluginId(), &op), 0u);
        return op.m_Events;
    }
    // The poll interval as a ranged value, as the host sends it.
    std::uint32_t SetPollInterval(std::int64_t seconds) {
        PI::CProperty property(30005, true);
        property.SetValue(seconds, std::int64_t{2}, std::int64_t{255}, std::int64_t{1});
        return Plugin().Execute(PI::SET_PROPERTY, PluginId(), &property);
    }

    // Members read under the data lock, as a host call would.
    template <class Read> auto Locked(Read read) {
        std::lock_guard<std::mutex> guard(Peer::dL(Plugin()));
        return read();
    }
    std::uint64_t PluginId() {
        return Locked([&] { return Peer::plugin(Plugin()).m_ID; });
    }
    std::uint64_t AdapterId(std::size_t index = 0) {
        return Locked([&] { return Peer::adapters(Plugin()).at(index)->m_ID; });
    }
    std::uint64_t PluginUpdateCounter() {
        return Locked([&] { return Peer::plugin(Plugin()).m_UpdateCounter; });
    }

    std::filesystem::path m_ConfigDir;
    std::shared_ptr<DatabaseORM::storage_t> m_Db;
    std::unique_ptr<IPLUGINAPI_IMPL> m_Plugin;
};

// The plugin as a host holds it: made by createIf once the test has set the stage, driven with its
// worker running, released by releaseIf.
class HostedPluginTest : public PluginTest {
protected:
    static constexpr const char* SERIAL_A = "0123456789ABCDEF0123456789ABCDEF";
    static constexpr const char* SERIAL_B = "FEDCBA9876543210FEDCBA9876543210";
    static constexpr std::uint32_t TRACE_DATABASE = 128;

    void TearDown() override {
        Release();
        PluginTest::TearDown();
    }
    void Create() {
        m_Plugin.reset(); // the one the plain fixture made
        IPLUGINAPI* api = nullptr;
        ASSERT_EQ(createIf(&api), 0u);
        m_Plugin.reset(static_cast<IPLUGINAPI_IMPL*>(api));
    }
    void Release() {
        if (IPLUGINAPI* api = m_Plugin.release()) {
            api->Execute(PI::DEINITIALIZE, 0, nullptr);
            releaseIf(&api);
        }
    }
    std::uint32_t Execute(PI::_COMMAND command, unsigned long id, void* data) {
        return Plugin().Execute(command, id, data);
    }
    // Has the worker run this many cycles, each forced at once instead of waiting out the poll
    // interval. From the second on, each cycle began after the call: a test that changes something
    // and asks for two sees a whole cycle that met the change.
    bool WaitForCycles(int cycles) {
        bool ran = true;
        for (int i = 0; ran && i < cycles; ++i) {
            const std::uint64_t start = PluginUpdateCounter();
            Plugin().sendWorkerEvent(IPLUGINAPI_IMPL::CPluginEvents::FORCE_WORK);
            ran = Eventually([&] { return PluginUpdateCounter() > start; });
        }
        return ran;
    }
    Texts AdapterNames() {
        std::lock_guard<std::mutex> guard(Peer::dL(Plugin()));
        Texts names;
        for (const auto& adapter : Peer::adapters(Plugin())) {
            names.push_back(adapter->m_Name);
        }
        return names;
    }
    // The host is served: the plugin and its one adapter shown, the events handed out.
    void ExpectServed(std::size_t events = 0) {
        std::vector<PI::CObject> topology;
        EXPECT_EQ(Execute(PI::GET_TOPOLOGY, 0, &topology), 0u);
        EXPECT_EQ(topology.size(), 2u);
        EXPECT_EQ(CollectEvents().size(), events);
    }
    // The one plugin row and one row per adapter, each equal to what its object makes of itself now.
    void ExpectRowsMirrorModel() {
        using namespace DatabaseORM;
        namespace M = RaidDataModels;
        // The first column in which the one stored row differs from the model built from the object.
        const auto difference = [](const auto& stored, const auto& expected) {
            std::string out = stored.size() == 1 ? "" : std::to_string(stored.size()) + " rows";
            expected.forEachField([&](auto member, const char* name, int role) {
                out += out.empty() && role != 0 && !(stored[0].*member == expected.*member) ? name : "";
            });
            return out;
        };
        std::lock_guard<std::mutex> guard(Peer::dL(Plugin()));
        M::Plugin plugin;
        Plugin().SetDatabaseObjectProperties(plugin, Peer::plugin(Plugin()));
        EXPECT_EQ(difference(m_Db->get_all<M::Plugin>(where(is_equal(&M::Plugin::Name, "Dorv-Plugin"))), plugin), "");
        EXPECT_EQ(Count("Adapter"), Peer::adapters(Plugin()).size()) << "one per adapter";
        for (const auto& adapter : Peer::adapters(Plugin())) {
            M::Adapter model;
            adapter->SetDatabaseObjectProperties(model);
            const auto rows = m_Db->get_all<M::Adapter>(where(is_equal(&M::Adapter::UniqueID, adapter->m_UniqueID)));
            EXPECT_EQ(difference(rows, model), "") << adapter->m_UniqueID;
        }
    }
};
} // namespace test_support
