// The plugin object: construction, command dispatch, lifecycle and the plugin's own shown object.
#include "piDorvPlugin.h"

#include <cstdio>
#include <utility>

#include <boost/convert.hpp>
#include <boost/convert/stream.hpp>
#include <boost/format.hpp>

#include "db/Database.h"
#include "piDorvCodes.h"
#include "piDorvLockTrace.h"
#include "piDorvModule.h"
#include "piDorvOperationDescriptor.h"
#include "piDorvPropertyList.h"

namespace NAMESPACE_piDorv {
namespace {
const char* const CONFIG_FILE_NAME = "piDorv.ini";
const char* const POLL_INTERVAL_KEY = "PollInterval";
const std::uint64_t ID_BASE = 0x0136000000000000ull; // module number 310 in the top 16 bits

const OperationDescriptor PLUGIN_OPERATIONS[] = {{Operation::GET_EVENTS, 6, 1, 1, 1, false, 0, 1, 1}};

template <class T> T& DataAs(void* data) {
    return *static_cast<T*>(data);
}
} // namespace

std::uint32_t PollIntervalFromText(const std::string& text) {
    boost::cnv::cstream converter;
    const boost::optional<std::uint32_t> value = boost::convert<std::uint32_t>(text, converter);
    if (!value) {
        return POLL_INTERVAL_DEFAULT;
    }
    if (*value < POLL_INTERVAL_MIN) {
        return POLL_INTERVAL_MIN;
    }
    if (*value > POLL_INTERVAL_MAX) {
        return POLL_INTERVAL_MAX;
    }
    return *value;
}

IPLUGINAPI_IMPL::IPLUGINAPI_IMPL() : pollInterval_(POLL_INTERVAL_DEFAULT) {
    m_Header = 2;
    m_ModuleNumber = 0;
    hostCallback.host = nullptr;
    hostCallback.function = nullptr;
    configFile_.SetFileName(CONFIG_FILE_NAME);
    db_ = getDatabasePointer();

    std::string text;
    if (configFile_.ReadKeyValue(POLL_INTERVAL_KEY, text, -1, -1) == 0) {
        pollInterval_ = PollIntervalFromText(text);
    }
}

IPLUGINAPI_IMPL::~IPLUGINAPI_IMPL() {
    // The host should have sent DeInitialize; threads left running would use a destroyed object.
    if (ThreadsRunning()) {
        DeInitialize();
    }
}

std::uint64_t IPLUGINAPI_IMPL::NewID() {
    return ID_BASE | nextID_++;
}

std::uint32_t IPLUGINAPI_IMPL::Execute(PI::_COMMAND command, unsigned long objectId, void* data) {
    if (command < PI::INITIALIZE || command > PI::EXECUTE_OPERATION) {
        return Status::INVALID_COMMAND;
    }
    if (data == nullptr && command != PI::DEINITIALIZE) {
        return Status::INVALID_PARAMETER;
    }
    // Handlers may write to the identifier; the host's value stays as it was.
    unsigned long id = objectId;
    std::uint32_t status = Status::SUCCESS;
    switch (command) {
    case PI::INITIALIZE: {
        auto& ids = DataAs<std::vector<PI::CAdapterID>>(data);
        status = Initialize(ids);
        if (status != Status::SUCCESS) {
            ids.clear();
        }
        break;
    }
    case PI::SET_ADAPTER_IDS:
        status = SetAdapterIDs(DataAs<const std::vector<PI::CAdapterID>>(data));
        break;
    case PI::DEINITIALIZE:
        status = DeInitialize();
        break;
    case PI::GET_TOPOLOGY: {
        auto& objects = DataAs<std::vector<PI::CObject>>(data);
        status = GetTopology(objects);
        if (status != Status::SUCCESS) {
            objects.clear();
        }
        break;
    }
    case PI::GET_PROPERTIES: {
        auto& properties = DataAs<std::vector<PI::CProperty>>(data);
        status = GetProperties(objectId, properties);
        if (status != Status::SUCCESS) {
            properties.clear();
        }
        break;
    }
    case PI::GET_PROPERTY:
        status = GetProperty(id, DataAs<PI::CProperty>(data));
        break;
    case PI::SET_PROPERTY:
        status = SetProperty(id, DataAs<PI::CProperty>(data));
        break;
    case PI::GET_OPERATIONS: {
        auto& operations = DataAs<std::vector<PI::COperation>>(data);
        status = GetOperations(id, operations);
        if (status != Status::SUCCESS) {
            operations.clear();
        }
        break;
    }
    case PI::CHECK_OPERATION:
        status = CheckOperation(id, DataAs<PI::COperation>(data));
        break;
    case PI::EXECUTE_OPERATION:
        status = ExecuteOperation(id, DataAs<PI::COperation>(data));
        break;
    default:
        status = Status::INVALID_COMMAND;
        break;
    }
    return status;
}

std::uint32_t IPLUGINAPI_IMPL::Initialize(std::vector<PI::CAdapterID>& ids) {
    PIDORV_TRACE(2, "Initialize", "ENTER Initialize()");
    const std::lock_guard<std::mutex> lifecycle(lifecycleL);
    std::unique_lock<std::mutex> lock(dL, std::defer_lock);
    PIDORV_LOCK_TIMING(timing, "dL.lock()", lock.lock());

    // A repeated Initialize starts from an empty model: the earlier adapters and their rows go. So
    // does a model a worker cycle built when the host started the threads before any Initialize.
    if (plugin_.m_ID != 0 || !adapters_.empty()) {
        adapters_.clear();
        plugin_.m_Children.clear();
        DeleteObjectFromDatabase(plugin_);
        DeleteObjectFromDatabase(boost::none);
    }

    plugin_.m_ID = NewID();
    plugin_.m_Type = ObjectType::PLUGIN;

    std::uint32_t status = ScanSystem(adapters_, physicalDrives_, logicalDrives_, true);
    PIDORV_TRACE(16, "Initialize", "ScanSystem() ret = %d physicalDrives_=%d")
        << TLX::Output_Streams::FormatInt(status)
        << TLX::Output_Streams::FormatInt(static_cast<std::uint32_t>(physicalDrives_.size()));

    if (status == Status::SUCCESS) {
        // One plugin row, whatever the number of adapters: none would leave the plugin without a
        // row, several would give it duplicates.
        InsertObjectToDatabase(plugin_, false);
        for (auto& adapter : adapters_) {
            plugin_.m_Children.push_back(adapter->m_ID);
            adapter->m_Parents.push_back(plugin_.m_ID);
            ++adapter->m_UpdateCounter;
            PIDORV_TRACE(16, "Initialize", "Create new adpID");
            PI::CAdapterID id;
            id.m_Bus = static_cast<std::int32_t>(adapter->m_PciBus);
            id.m_Device = static_cast<std::int32_t>(adapter->m_PciDevice);
            id.m_Function = static_cast<std::int32_t>(adapter->m_PciFunction);
            ids.push_back(id);

            InsertObjectToDatabase(adapter, false);
            for (auto& drive : physicalDrives_) {
                InsertObjectToDatabase(drive, false);
            }
            for (auto& drive : logicalDrives_) {
                InsertObjectToDatabase(drive, false);
            }
            InsertAdapterPdToLdAssociationsToDb(logicalDrives_, physicalDrives_);
        }
    } else {
        DeleteObjectFromDatabase(plugin_);
        DeleteObjectFromDatabase(boost::none);
        physicalDrives_.clear();
        logicalDrives_.clear();
        ++plugin_.m_UpdateCounter;
        status = Status::NO_SUPPORTED_HARDWARE;
    }

    std::printf("%s:  Initialize:  adapter count is 1\n", TLX_MODULE_INFO_piDorv.ModuleName().c_str());
    std::fflush(stdout);
    PIDORV_TRACE(2, "Initialize", "LEAVE Initialize() -> %d") << TLX::Output_Streams::FormatInt(status);
    return status;
}

std::uint32_t IPLUGINAPI_IMPL::SetAdapterIDs(const std::vector<PI::CAdapterID>& ids) {
    PIDORV_TRACE(2, "SetAdapterIDs", "ENTER SetAdapterIDs");
    // A holder whose thread still runs cannot take another one; the lifecycle lock keeps a concurrent
    // command from starting or joining threads between the check and the start.
    const std::lock_guard<std::mutex> lifecycle(lifecycleL);
    if (ThreadsRunning()) {
        PIDORV_TRACE(16, "SetAdapterIDs", "SetAdapterIDs() threads are already running");
        return Status::GENERAL;
    }
    adapterIDs_.insert(adapterIDs_.end(), ids.begin(), ids.end());
    workerTh_.thread_ = std::thread(&IPLUGINAPI_IMPL::Worker, this);
    eventPoolTh_.thread_ = std::thread(&IPLUGINAPI_IMPL::EventPoll, this);
    return Status::SUCCESS;
}

std::uint32_t IPLUGINAPI_IMPL::DeInitialize() {
    PIDORV_TRACE(2, "DeInitialize", "ENTER DeInitialize");
    // A second DeInitialize waits here and then finds no thread to stop: two callers must neither
    // join the same thread nor leave stop events behind. Not dL: a cycle being finished may need it.
    const std::lock_guard<std::mutex> lifecycle(lifecycleL);
    // One stop per running thread: a raise nobody takes would stop the next thread started.
    if (workerTh_.thread_.joinable()) {
        sendWorkerEvent(CPluginEvents::STOP);
    }
    if (eventPoolTh_.thread_.joinable()) {
        sendWorkerEvent(CPluginEvents::STOP);
    }

    PIDORV_TRACE(16, "DeInitialize", "Wait for termination... (Worker)");
    if (workerTh_.thread_.joinable()) {
        PIDORV_TRACE(8, "DeInitialize", "Dorv... (Worker) is joinable");
        PIDORV_LOCK_TIMING(timing, "workerTh_.thread_.join()", workerTh_.thread_.join());
    } else {
        PIDORV_TRACE(8, "DeInitialize", "Dorv... (Worker) is not joinable");
    }
    if (eventPoolTh_.thread_.joinable()) {
        PIDORV_TRACE(8, "DeInitialize", "Dorv... (Event Pool) is joinable");
        PIDORV_LOCK_TIMING(timing, "eventPoolTh_.thread_.join()", eventPoolTh_.thread_.join());
    } else {
        PIDORV_TRACE(8, "DeInitialize", "Dorv... (Event Pool) is not joinable");
    }
    PIDORV_TRACE(2, "DeInitialize", "LEAVE DeInitialize");
    return Status::SUCCESS;
}

bool IPLUGINAPI_IMPL::ThreadsRunning() const {
    return workerTh_.thread_.joinable() || eventPoolTh_.thread_.joinable();
}

// ---- The plugin's own shown object ----

std::uint32_t IPLUGINAPI_IMPL::GetPluginProperties(CDorvPlugin&, std::vector<PI::CProperty>& out, PI::_PROPERTY_ID id) {
    out.clear();
    CPropertyList list(out, id, 5);
    list.Add(Property::UNIQUE_ID, PluginUniqueId()).Position(0);
    list.Add(Property::NAME, PLUGIN_NAME).Label(23334);
    list.Add(Property::VERSION, PLUGIN_VERSION).Label(23339);
    list.Add(Property::VENDOR, PLUGIN_VENDOR).Label(23338);
    list.Add(Property::POLL_INTERVAL, static_cast<std::int64_t>(pollInterval_.load()),
             static_cast<std::int64_t>(POLL_INTERVAL_MIN), static_cast<std::int64_t>(POLL_INTERVAL_MAX),
             std::int64_t{1})
        .Changeable()
        .ExtraText(21007)
        .Label(23335);
    return Status::SUCCESS;
}

std::uint32_t IPLUGINAPI_IMPL::SetPluginProperty(CDorvPlugin& plugin, PI::CProperty& property) {
    if (property.m_Code != Property::POLL_INTERVAL) {
        return Status::INVALID_PROPERTY;
    }
    std::int64_t value = property.GetValueRangeNormalized();
    // A record that is not a ranged value reads as 0; the worker must never wait for no time at all.
    if (value < static_cast<std::int64_t>(POLL_INTERVAL_MIN)) {
        value = POLL_INTERVAL_MIN;
    } else if (value > static_cast<std::int64_t>(POLL_INTERVAL_MAX)) {
        value = POLL_INTERVAL_MAX;
    }
    ++plugin.m_UpdateCounter;
    pollInterval_ = static_cast<std::uint32_t>(value);
    const int written = configFile_.WriteKeyValue(POLL_INTERVAL_KEY, (boost::format("%d") % value).str(), -1, -1);
    sendWorkerEvent(CPluginEvents::PRIVATE);
    return static_cast<std::uint32_t>(written);
}

std::uint32_t IPLUGINAPI_IMPL::GetPluginOperations(CDorvPlugin&, std::vector<PI::COperation>& out) {
    out.clear();
    for (const auto& descriptor : PLUGIN_OPERATIONS) {
        out.push_back(MakeOperation(descriptor));
    }
    return Status::SUCCESS;
}

std::uint32_t IPLUGINAPI_IMPL::CheckPluginOperation(CDorvPlugin&, PI::COperation&) {
    return Status::SUCCESS;
}

std::uint32_t IPLUGINAPI_IMPL::ExecutePluginOperation(CDorvPlugin& plugin, PI::COperation& op) {
    PIDORV_TRACE(2, "ExecutePluginOperation", "ENTER ExecutePluginOperation()");
    const std::uint32_t status = op.m_Code == Operation::GET_EVENTS ? GetEvents(plugin, op) : Status::INVALID_OPERATION;
    UpdateObjectInDatabase(plugin);
    PIDORV_TRACE(2, "ExecutePluginOperation", "LEAVE ExecutePluginOperation() -> %d")
        << TLX::Output_Streams::FormatInt(status);
    return status;
}
} // namespace NAMESPACE_piDorv
