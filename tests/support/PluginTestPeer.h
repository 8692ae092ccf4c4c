// The plugin object's members, for tests and benchmarks only (the plugin names this class its friend).
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "piDorv/Src/piDorvPlugin.h"

namespace NAMESPACE_piDorv {
class PluginTestPeer {
public:
    static std::mutex& dL(IPLUGINAPI_IMPL& p) { return p.dL; }
    static std::mutex& eL(IPLUGINAPI_IMPL& p) { return p.eL; }
    static CDorvPlugin& plugin(IPLUGINAPI_IMPL& p) { return p.plugin_; }
    static std::vector<std::shared_ptr<CDorvAdapter>>& adapters(IPLUGINAPI_IMPL& p) { return p.adapters_; }
    static std::vector<CDorvPhysicalDrive>& physicalDrives(IPLUGINAPI_IMPL& p) { return p.physicalDrives_; }
    static std::vector<CDorvLogicalDrive>& logicalDrives(IPLUGINAPI_IMPL& p) { return p.logicalDrives_; }
    static std::vector<PI::CEvent>& events(IPLUGINAPI_IMPL& p) { return p.events_; }
    static std::uint32_t pollInterval(IPLUGINAPI_IMPL& p) { return p.pollInterval_.load(); }
    static TLX::Threading::CEventHandler& eventHandler(IPLUGINAPI_IMPL& p) { return p.eventHandler_; }
    static std::shared_ptr<DatabaseORM::storage_t>& db(IPLUGINAPI_IMPL& p) { return p.db_; }
    static void setDatabase(IPLUGINAPI_IMPL& p, std::shared_ptr<DatabaseORM::storage_t> db) { p.db_ = std::move(db); }
    static bool threadsRunning(IPLUGINAPI_IMPL& p) {
        return p.workerTh_.thread_.joinable() || p.eventPoolTh_.thread_.joinable();
    }
};
} // namespace NAMESPACE_piDorv
