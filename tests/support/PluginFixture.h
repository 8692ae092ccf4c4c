// The plugin test fixture: a plugin object on a fresh database, an emulated controller and a private
// configuration directory, with the host commands tests use most and builders for drives.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "db/Database.h"
#include "lumo/Lumo.h"
#include "piDorv/Src/piDorvPlugin.h"
#include "support/DeviceTree.h"
#include "support/Eventually.h"
#include "support/PluginTestPeer.h"
#include "support/TraceCapture.h"

namespace test_support {
using NAMESPACE_piDorv::IPLUGINAPI_IMPL;
using Peer = NAMESPACE_piDorv::PluginTestPeer;
using Rows = std::vector<std::vector<std::string>>;
using Texts = std::vector<std::string>;
using TraceTable = std::vector<std::pair<std::string, Texts>>; // a function and its messages in order

const std::uint64_t ID_BASE = 0x0136000000000000ull;

// A physical drive at the port (device 0).
inline NAMESPACE_piDorv::CDorvPhysicalDrive MakePhysicalDrive(int port, std::uint64_t id = 0) {
    NAMESPACE_piDorv::CDorvPhysicalDrive drive;
    drive.m_ID = id;
    drive.m_PortNumber = port;
    drive.m_AuxNumber = port;
    drive.m_Name = "SD" + std::to_string(port);
    drive.m_UniqueID = "PD-" + std::to_string(port);
    return drive;
}

// A mirror whose configuration lists the drives at the given ports (device 0).
inline NAMESPACE_piDorv::CDorvLogicalDrive MakeLogicalDrive(std::shared_ptr<NAMESPACE_piDorv::CDorvAdapter> adapter,
                                                            int number, std::uint64_t id = 0,
                                                            const std::vector<int>& ports = {}) {
    NAMESPACE_piDorv::CDorvLogicalDrive drive(std::move(adapter));
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

class PluginTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "pidorv-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_ConfigDir = pattern;
        setenv("PI_CONFIG_DIR", m_ConfigDir.string().c_str(), 1);
        LumoEmu_Reset();
        m_Db = DatabaseWrapper::resetDatabaseForTests();
        m_Plugin = std::make_unique<IPLUGINAPI_IMPL>();
    }
    void TearDown() override {
        m_Plugin.reset();
        LumoEmu_Reset();
        std::error_code ignored;
        std::filesystem::remove_all(m_ConfigDir, ignored);
    }

    IPLUGINAPI_IMPL& Plugin() { return *m_Plugin; }
    Rows Query(const std::string& sql) { return m_Db->dao()->query(sql); }
    std::size_t Count(const std::string& table) {
        return static_cast<std::size_t>(std::stoul(Query("SELECT COUNT(*) FROM " + table).at(0).at(0)));
    }
    void WriteConfig(const std::string& content) { std::ofstream((m_ConfigDir / "piDorv.ini").string()) << content; }
    std::string ReadConfig() {
        std::ifstream in((m_ConfigDir / "piDorv.ini").string());
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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

    static void ExpectSaid(const TraceCapture& trace, const TraceTable& table) {
        for (const auto& [function, texts] : table) {
            EXPECT_EQ(trace.Said(function), texts) << function;
        }
    }

    // Members read under the data lock, as a host call would.
    std::uint64_t PluginId() {
        std::lock_guard<std::mutex> guard(Peer::dL(Plugin()));
        return Peer::plugin(Plugin()).m_ID;
    }
    std::uint64_t AdapterId(std::size_t index = 0) {
        std::lock_guard<std::mutex> guard(Peer::dL(Plugin()));
        return Peer::adapters(Plugin()).at(index)->m_ID;
    }
    std::uint64_t PluginUpdateCounter() {
        std::lock_guard<std::mutex> guard(Peer::dL(Plugin()));
        return Peer::plugin(Plugin()).m_UpdateCounter;
    }

    std::filesystem::path m_ConfigDir;
    std::shared_ptr<DatabaseORM::storage_t> m_Db;
    std::unique_ptr<IPLUGINAPI_IMPL> m_Plugin;
};
} // namespace test_support
