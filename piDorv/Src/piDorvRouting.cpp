// Object routing: the host names an object by its identifier; the request goes to the plugin object
// or to an adapter, always under the data lock.
#include <functional>

#include "piDorvCodes.h"
#include "piDorvLockTrace.h"
#include "piDorvModule.h"
#include "piDorvPlugin.h"

namespace NAMESPACE_piDorv {
namespace {
using TLX::Output_Streams::FormatInt;
} // namespace

std::function<void(const PI::CEvent&)> IPLUGINAPI_IMPL::EventSink() {
    return [this](const PI::CEvent& event) { onAddAvent(event); };
}

std::uint32_t IPLUGINAPI_IMPL::GetProperties(unsigned long id, std::vector<PI::CProperty>& out) {
    std::unique_lock<std::mutex> lock(dL, std::defer_lock);
    PIDORV_LOCK_TIMING(timing, "dL.lock()", lock.lock());
    if (id == plugin_.m_ID) {
        return GetPluginProperties(plugin_, out, Property::ALL);
    }
    if (auto adapter = findAdapter(adapters_, id)) {
        return adapter->GetAdapterProperties(out, logicalDrives_, physicalDrives_, Property::ALL);
    }
    return Status::INVALID_OBJECT_ID;
}

std::uint32_t IPLUGINAPI_IMPL::GetProperty(unsigned long& id, PI::CProperty& property) {
    std::unique_lock<std::mutex> lock(dL, std::defer_lock);
    PIDORV_LOCK_TIMING(timing, "dL.lock()", lock.lock());
    std::vector<PI::CProperty> list;
    std::uint32_t status = Status::SUCCESS;
    if (id == plugin_.m_ID) {
        status = GetPluginProperties(plugin_, list, property.m_Code);
        ++plugin_.m_UpdateCounter;
    } else if (auto adapter = findMutableAdapter(adapters_, id)) {
        status = adapter->GetAdapterProperties(list, logicalDrives_, physicalDrives_, property.m_Code);
        ++adapter->m_UpdateCounter;
    } else {
        return Status::INVALID_OBJECT_ID;
    }
    if (status == Status::SUCCESS) {
        if (list.empty()) {
            status = Status::GENERAL;
        } else {
            property = list.front();
        }
    }
    return status;
}

std::uint32_t IPLUGINAPI_IMPL::SetProperty(unsigned long& id, PI::CProperty& property) {
    std::unique_lock<std::mutex> lock(dL, std::defer_lock);
    PIDORV_LOCK_TIMING(timing, "dL.lock()", lock.lock());
    if (id == plugin_.m_ID) {
        return SetPluginProperty(plugin_, property);
    }
    if (auto adapter = findMutableAdapter(adapters_, id)) {
        return adapter->SetAdapterProperty(property);
    }
    return Status::INVALID_OBJECT_ID;
}

std::uint32_t IPLUGINAPI_IMPL::GetOperations(unsigned long& id, std::vector<PI::COperation>& out) {
    PIDORV_TRACE(16, "GetOperations", "ENTER GetOperations object=0x%x") << FormatInt(static_cast<std::uint64_t>(id));
    std::unique_lock<std::mutex> lock(dL, std::defer_lock);
    PIDORV_LOCK_TIMING(timing, "dL.lock()", lock.lock());
    std::uint32_t status = Status::INVALID_OBJECT_ID;
    if (id == plugin_.m_ID) {
        status = GetPluginOperations(plugin_, out);
    } else if (auto adapter = findMutableAdapter(adapters_, id)) {
        status = adapter->GetAdapterOperations(out);
    }
    PIDORV_TRACE(16, "GetOperations", "LEAVE GetOperations ret=%d") << FormatInt(status);
    return status;
}

std::uint32_t IPLUGINAPI_IMPL::CheckOperation(unsigned long& id, PI::COperation& op) {
    PIDORV_TRACE(2, "CheckOperation", "ENTER CheckOperation operation=%d") << FormatInt(op.m_Code);
    std::unique_lock<std::mutex> lock(dL, std::defer_lock);
    PIDORV_LOCK_TIMING(timing, "dL.lock()", lock.lock());
    std::uint32_t status = Status::INVALID_OBJECT_ID;
    if (id == plugin_.m_ID) {
        status = CheckPluginOperation(plugin_, op);
    } else if (auto adapter = findMutableAdapter(adapters_, id)) {
        status = adapter->CheckAdapterOperation(op);
    }
    PIDORV_TRACE(2, "CheckOperation", "LEAVE CheckOperation(%d)") << FormatInt(status);
    return status;
}

std::uint32_t IPLUGINAPI_IMPL::ExecuteOperation(unsigned long& id, PI::COperation& op) {
    PIDORV_TRACE(2, "ExecuteOperation", "ENTER ExecuteOperation operation=%d") << FormatInt(op.m_Code);
    std::unique_lock<std::mutex> lock(dL, std::defer_lock);
    PIDORV_LOCK_TIMING(timing, "dL.lock()", lock.lock());
    std::uint32_t status = Status::INVALID_OBJECT_ID;
    if (id == plugin_.m_ID) {
        status = ExecutePluginOperation(plugin_, op);
    } else if (auto adapter = findMutableAdapter(adapters_, id)) {
        status = adapter->ExecuteAdapterOperation(op, EventSink());
    }
    PIDORV_TRACE(2, "ExecuteOperation", "LEAVE ExecuteOperation(%d)") << FormatInt(status);
    return status;
}

std::uint32_t IPLUGINAPI_IMPL::GetTopology(std::vector<PI::CObject>& out) {
    PIDORV_TRACE(2, "GetTopology", "ENTER GetTopology");
    std::unique_lock<std::mutex> lock(dL, std::defer_lock);
    PIDORV_LOCK_TIMING(timing, "dL.lock()", lock.lock());

    out.clear();
    out.reserve(logicalDrives_.size() + physicalDrives_.size() + 2);

    out.push_back(plugin_);
    GetPluginProperties(plugin_, out.back().m_Properties, Property::ALL);
    GetPluginOperations(plugin_, out.back().m_Operations);

    for (auto& adapter : adapters_) {
        out.push_back(*adapter);
        PI::CObject& record = out.back();
        adapter->GetAdapterProperties(record.m_Properties, logicalDrives_, physicalDrives_, Property::ALL);
        adapter->GetAdapterOperations(record.m_Operations);
        for (auto& operation : record.m_Operations) {
            if (operation.m_Code != Operation::GET_RAID_LEVEL_INFORMATION &&
                operation.m_Code != Operation::GET_RAID_MIGRATION_INFORMATION) {
                continue;
            }
            if (adapter->ExecuteAdapterOperation(operation, EventSink()) != Status::SUCCESS) {
                PIDORV_TRACE(16, "GetTopology", "IPLUGINAPI_IMPL::GetTopology: Error ExecuteAdapterOperation");
            }
        }
        PIDORV_TRACE(4, "GetTopology", "GetTopology() Adapter m_ID=0x%x") << FormatInt(adapter->m_ID);

        for (const auto& drive : physicalDrives_) {
            out.push_back(drive);
            PI::CObject& driveRecord = out.back();
            driveRecord.m_Properties.clear();
            driveRecord.m_Operations.clear();
            drive.GetPhysicalDriveProperties(driveRecord.m_Properties, Property::ALL);
            drive.GetPhysicalDriveOperations(driveRecord.m_Operations);
            PIDORV_TRACE(4, "GetTopology", "GetTopology() PhysicalDrive (%d/%d) m_ID=0x%x")
                << FormatInt(drive.m_PortNumber) << FormatInt(drive.m_DeviceNumber) << FormatInt(drive.m_ID);
        }
        for (const auto& drive : logicalDrives_) {
            out.push_back(drive);
            PI::CObject& driveRecord = out.back();
            driveRecord.m_Properties.clear();
            driveRecord.m_Operations.clear();
            drive.GetLogicalDriveProperties(driveRecord.m_Properties, Property::ALL);
            drive.GetLogicalDriveOperations(driveRecord.m_Operations);
            PIDORV_TRACE(4, "GetTopology", "GetTopology() LogicalDrive (%d) m_ID=0x%x")
                << FormatInt(drive.m_Number) << FormatInt(drive.m_ID);
        }
    }

    PIDORV_TRACE(2, "GetTopology", "LEAVE GetTopology");
    return Status::SUCCESS;
}
} // namespace NAMESPACE_piDorv
