// The reliability tests' plugin: made by createIf on a fresh in-memory database, with an emulated
// controller and its own configuration directory, driven through Execute and released by releaseIf.
// Also the statuses each command may return and the check that the stored rows mirror the model.
#pragma once
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "db/Database.h"
#include "lumo/Lumo.h"
#include "orm/RaidDataModels.h"
#include "orm/storage.h"
#include "pi/IPLUGINAPI.h"
#include "support/DeviceTree.h"
#include "support/Eventually.h"
#include "support/PluginTestPeer.h"
#include "support/TraceCapture.h"

extern "C" std::uint32_t createIf(IPLUGINAPI** out);
extern "C" void releaseIf(IPLUGINAPI** holder);

namespace reliability {
using NAMESPACE_piDorv::IPLUGINAPI_IMPL;
using Peer = NAMESPACE_piDorv::PluginTestPeer;
using Rows = std::vector<std::vector<std::string>>;
using test_support::DeviceTree;
using test_support::TraceCapture;

const std::int32_t OP_GET_EVENTS = 50002;
const std::int32_t OP_GET_RAID_LEVEL_INFORMATION = 50003;
const std::int32_t OP_SCAN_CONFIGURATION = 50007;
const std::int32_t EVENT_SCAN_CONFIGURATION = 10132;
const PI::_PROPERTY_ID PROP_NAME = 30007;
const PI::_PROPERTY_ID PROP_POLL_INTERVAL = 30005;
const std::uint32_t TRACE_DATABASE = 128;
const char* const SERIAL_A = "0123456789ABCDEF0123456789ABCDEF";
const char* const SERIAL_B = "FEDCBA9876543210FEDCBA9876543210";

// Whether a command may return the status. A configuration write that fails comes back from
// SetProperty as the configuration file's own non-zero status (below 100).
inline bool IsAllowedStatus(PI::_COMMAND command, std::uint32_t status) {
    // By command, from INITIALIZE (1) to EXECUTE_OPERATION (10); any other command gets 20002.
    static const std::vector<std::set<std::uint32_t>> allowed = {
        {20002},    {0, 20001}, {0, 20000},       {0}, {0}, {0, 20008}, {0, 20000, 20008}, {0, 20004, 20008},
        {0, 20008}, {0, 20008}, {0, 20005, 20008}};
    if (command == PI::SET_PROPERTY && status > 0 && status < 100) {
        return true;
    }
    return allowed[command >= PI::INITIALIZE && command <= PI::EXECUTE_OPERATION ? command : 0].count(status) != 0;
}

using test_support::Eventually;

// The names of the columns in which a stored row differs from the model built from the object.
template <class Model> std::string RowDifference(const Model& stored, const Model& expected) {
    std::ostringstream out;
    Model::forEachField([&](auto member, const char* name, int role) {
        if (role != 0 && !(stored.*member == expected.*member)) {
            out << name << " differs; ";
        }
    });
    return out.str();
}

class PluginFixture : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "pidorv-rel-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        tempDir_ = pattern;
        configDir_ = tempDir_ / "config";
        std::filesystem::create_directories(configDir_);
        setenv("PI_CONFIG_DIR", configDir_.string().c_str(), 1);
        LumoEmu_Reset();
        db_ = DatabaseWrapper::resetDatabaseForTests();
    }
    void TearDown() override {
        Release();
        LumoEmu_Reset();
        std::error_code ignored;
        std::filesystem::remove_all(tempDir_, ignored);
    }

    void Create() {
        ASSERT_EQ(createIf(&api_), 0u);
        ASSERT_NE(api_, nullptr);
    }
    void Release() {
        if (api_ != nullptr) {
            api_->Execute(PI::DEINITIALIZE, 0, nullptr);
            releaseIf(&api_);
        }
    }
    IPLUGINAPI_IMPL& Impl() { return *static_cast<IPLUGINAPI_IMPL*>(api_); }
    std::uint32_t Execute(PI::_COMMAND command, unsigned long id, void* data) {
        return api_->Execute(command, id, data);
    }
    std::uint32_t Initialize(std::vector<PI::CAdapterID>* ids = nullptr) {
        std::vector<PI::CAdapterID> local;
        return Execute(PI::INITIALIZE, 0, ids != nullptr ? ids : &local);
    }
    std::uint32_t StartThreads() {
        std::vector<PI::CAdapterID> ids;
        return Execute(PI::SET_ADAPTER_IDS, 0, &ids);
    }

    // What `read` makes of the plugin object or of each adapter, under the data lock.
    template <class F> auto OfPlugin(F read) {
        std::lock_guard<std::mutex> guard(Peer::dL(Impl()));
        return read(Peer::plugin(Impl()));
    }
    template <class F> auto OfAdapters(F read) {
        std::lock_guard<std::mutex> guard(Peer::dL(Impl()));
        std::vector<decltype(read(*Peer::adapters(Impl()).front()))> values;
        for (const auto& adapter : Peer::adapters(Impl())) {
            values.push_back(read(*adapter));
        }
        return values;
    }
    std::uint64_t PluginId() {
        return OfPlugin([](auto& plugin) { return plugin.m_ID; });
    }
    std::vector<std::uint64_t> AdapterIds() {
        return OfAdapters([](auto& adapter) { return adapter.m_ID; });
    }
    std::vector<std::string> AdapterNames() {
        return OfAdapters([](auto& adapter) { return adapter.m_Name; });
    }

    // Has the worker run this many cycles, each forced at once instead of waiting out the poll
    // interval. From the second on, each cycle began after the call: a test that changes something
    // and asks for two sees a whole cycle that met the change.
    bool WaitForCycles(int cycles) {
        for (int i = 0; i < cycles; ++i) {
            const std::uint64_t start = OfPlugin([](auto& plugin) { return plugin.m_UpdateCounter; });
            Impl().sendWorkerEvent(IPLUGINAPI_IMPL::CPluginEvents::FORCE_WORK);
            if (!Eventually([&] { return OfPlugin([](auto& plugin) { return plugin.m_UpdateCounter; }) > start; })) {
                return false;
            }
        }
        return true;
    }
    std::vector<PI::CEvent> CollectEvents(std::uint32_t* status = nullptr) {
        PI::COperation op(OP_GET_EVENTS);
        const std::uint32_t s = Execute(PI::EXECUTE_OPERATION, PluginId(), &op);
        if (status != nullptr) {
            *status = s;
        }
        return op.m_Events;
    }
    std::uint32_t SetPollInterval(std::int64_t seconds) {
        PI::CProperty property(PROP_POLL_INTERVAL, true);
        property.SetValue(seconds, std::int64_t{2}, std::int64_t{255}, std::int64_t{1});
        return Execute(PI::SET_PROPERTY, PluginId(), &property);
    }

    Rows Query(const std::string& sql) { return db_->dao()->query(sql); }

    // The one plugin row and one row per adapter, each equal to what its object makes of itself now.
    void ExpectRowsMirrorModel() {
        using DatabaseORM::is_equal;
        using DatabaseORM::where;
        std::lock_guard<std::mutex> guard(Peer::dL(Impl()));
        const auto plugins =
            db_->get_all<RaidDataModels::Plugin>(where(is_equal(&RaidDataModels::Plugin::Name, "Dorv-Plugin")));
        ASSERT_EQ(plugins.size(), 1u) << "one plugin row";
        RaidDataModels::Plugin plugin;
        Impl().SetDatabaseObjectProperties(plugin, Peer::plugin(Impl()));
        EXPECT_EQ(RowDifference(plugins.front(), plugin), "");

        const auto& adapters = Peer::adapters(Impl());
        EXPECT_EQ(Query("SELECT COUNT(*) FROM Adapter"), (Rows{{std::to_string(adapters.size())}}))
            << "one per adapter";
        for (const auto& adapter : adapters) {
            const auto rows = db_->get_all<RaidDataModels::Adapter>(
                where(is_equal(&RaidDataModels::Adapter::UniqueID, adapter->m_UniqueID)));
            ASSERT_EQ(rows.size(), 1u) << adapter->m_UniqueID;
            RaidDataModels::Adapter model;
            adapter->SetDatabaseObjectProperties(model);
            EXPECT_EQ(RowDifference(rows.front(), model), "") << adapter->m_UniqueID;
        }
    }

    std::filesystem::path tempDir_;
    std::filesystem::path configDir_;
    std::shared_ptr<DatabaseORM::storage_t> db_;
    IPLUGINAPI* api_ = nullptr;
};
} // namespace reliability
