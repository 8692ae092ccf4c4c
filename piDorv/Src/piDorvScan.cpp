// The scan and reconcile cycle: fresh object lists from one controller exchange, merged into the
// current lists, with the differences written to the database.
#include <algorithm>
#include <map>
#include <mutex>
#include <utility>

#include <boost/format.hpp>

#include "pi/CAdapterID.h"
#include "piDorvCodes.h"
#include "piDorvModule.h"
#include "piDorvPlugin.h"
#include "tlx/Clock.h"

namespace NAMESPACE_piDorv {
namespace {
using TLX::Output_Streams::FormatInt;

std::uint32_t CountOf(std::size_t n) {
    return static_cast<std::uint32_t>(n);
}

// The host-wide number of an adapter on this host. Each adapter registers under its own unique id:
// the adapter row is found again by this number, so two adapters sharing one would overwrite each
// other's row.
std::uint32_t GlobalAdapterNumber(const std::string& uniqueId) {
    PI::CGlobalAdapterID globalId(HOST_NAME);
    {
        std::lock_guard<std::mutex> guard(PI::CGlobalAdapterID::TableMutex());
        auto& table = PI::CGlobalAdapterID::AllHostsAdaptersUniqueIDs;
        if (table.find(HOST_NAME) == table.end()) {
            table[HOST_NAME];
        }
    }
    globalId.SetAdapterUniqueID(uniqueId);
    globalId.GenerateUniqueAdapterNumber();
    return globalId.GetGlobalAdapterNumber();
}

} // namespace

std::uint32_t IPLUGINAPI_IMPL::ScanSystem(std::vector<std::shared_ptr<CDorvAdapter>>& adapters,
                                          std::vector<CDorvPhysicalDrive>& physicalDrives,
                                          std::vector<CDorvLogicalDrive>& logicalDrives, bool newIds) {
    PIDORV_TRACE(2, "ScanSystem", "ENTER ScanSystem(%d) PhyDrive=%d LogDrive=%d")
        << FormatInt(static_cast<std::int32_t>(newIds)) << FormatInt(CountOf(physicalDrives.size()))
        << FormatInt(CountOf(logicalDrives.size()));
    physicalDrives.clear();
    logicalDrives.clear();

    CDorvAdapterList parsed = adaptersGet();
    for (auto& found : parsed) {
        // The parsed list is dropped after this loop: its adapters are moved, not copied.
        auto adapter = std::make_shared<CDorvAdapter>(std::move(found));
        adapter->m_ID = newIds ? NewID() : adapter->m_ID;
        adapter->PI::CObject::m_Type = ObjectType::ADAPTER;
        adapter->m_Type = ADAPTER_TYPE;
        adapter->m_Status = Value::OK;
        adapter->m_StatusWord2 = 1;
        adapter->m_GlobalAdapterNumber = GlobalAdapterNumber(adapter->m_UniqueID);
        adapters.push_back(adapter);
    }
    PIDORV_TRACE(16, "ScanSystem", "ScanSystem() before EnumerateAllDisks");
    PIDORV_TRACE(2, "ScanSystem", "LEAVE ScanSystem() -> %d") << FormatInt(Status::SUCCESS);
    return Status::SUCCESS;
}

bool IPLUGINAPI_IMPL::IsDriveOfPass(const CDorvLogicalDrive& drive, const CDorvAdapter& adapter) const {
    if (adapters_.size() <= 1) {
        return true;
    }
    // A drive whose adapter is not among the current ones is looked after by the first pass.
    const CDorvAdapter* owner = adapters_.front().get();
    if (drive.m_Adapter) {
        for (const auto& candidate : adapters_) {
            if (candidate->m_UniqueID == drive.m_Adapter->m_UniqueID) {
                owner = candidate.get();
                break;
            }
        }
    }
    return owner == &adapter;
}

// What a reconcile pass changed: the rows written once the lists are merged.
struct IPLUGINAPI_IMPL::CSystemChanges {
    std::vector<std::shared_ptr<CDorvAdapter>> addedAdapters;
    std::vector<std::shared_ptr<CDorvAdapter>> changedAdapters;
    std::vector<CDorvLogicalDrive> addedDrives;
    std::vector<std::pair<CDorvLogicalDrive, std::string>> changedDrives; // with the name its row has
    std::vector<CDorvLogicalDrive> removedDrives;
    // Set by a changed adapter and by a logical drive removed, changed or adopted (not by an adapter
    // first seen): UpdateSystem reports success only then.
    bool reported = false;
};

std::uint32_t IPLUGINAPI_IMPL::UpdateSystem(const std::vector<std::shared_ptr<CDorvAdapter>>& newAdapters,
                                            std::vector<CDorvPhysicalDrive>& newPhysicalDrives,
                                            std::vector<CDorvLogicalDrive>& newLogicalDrives) {
    PIDORV_TRACE(2, "UpdateSystem", "ENTER UpdateSystem for adapter, %d physicalDrives, %d logicalDrive(s)")
        << FormatInt(CountOf(newPhysicalDrives.size())) << FormatInt(CountOf(newLogicalDrives.size()));
    CSystemChanges changes;
    MergeAdapters(newAdapters, changes);
    for (auto& adapter : adapters_) {
        PIDORV_TRACE(4, "UpdateSystem", "UpdateSystem() Zul physicalDrives = %d")
            << FormatInt(CountOf(newPhysicalDrives.size()));
        RemoveOrUpdateDrives(adapter, newLogicalDrives, changes);
        AdoptDrives(adapter, newLogicalDrives, changes);
    }
    WriteRows(changes, newPhysicalDrives);

    const std::uint32_t result = changes.reported ? Status::SUCCESS : Status::GENERAL;
    PIDORV_TRACE(2, "UpdateSystem", "LEAVE UpdateSystem ret = %d") << FormatInt(result);
    return result;
}

void IPLUGINAPI_IMPL::MergeAdapters(const std::vector<std::shared_ptr<CDorvAdapter>>& newAdapters,
                                    CSystemChanges& changes) {
    // Elements sharing a serial number are matched in turn: the n-th with a serial to the n-th current
    // adapter with it, so that each is compared with one element only. The current adapters are
    // grouped by serial once, so that a cycle costs the same per adapter however many there are.
    struct CSameSerial {
        std::vector<std::shared_ptr<CDorvAdapter>> adapters;
        std::size_t seen = 0;
    };
    std::map<std::string, CSameSerial> bySerial;
    for (const auto& adapter : adapters_) {
        bySerial[adapter->m_UniqueID].adapters.push_back(adapter);
    }
    for (const auto& fresh : newAdapters) {
        CSameSerial& sameSerial = bySerial[fresh->m_UniqueID];
        const std::size_t n = sameSerial.seen++;
        // An element beyond the current ones is new; it never matches a later element either.
        const auto current = n < sameSerial.adapters.size() ? sameSerial.adapters[n] : nullptr;
        if (current) {
            // A scanned adapter carries no identity of its own: compare and update the device data
            // only, so that the identifier the host knows and the relations stay.
            CDorvAdapter scanned(*fresh);
            static_cast<PI::CObject&>(scanned) = static_cast<const PI::CObject&>(*current);
            if (current->Unequal(scanned)) {
                scanned.m_UpdateCounter = current->m_UpdateCounter + 1; // the change counts once
                current->Update(scanned);
                changes.changedAdapters.push_back(current);
                changes.reported = true;
            }
        } else {
            // An adapter first seen by a worker cycle still needs an identifier the host can use.
            fresh->m_ID = NewID();
            changes.addedAdapters.push_back(fresh);
            adapters_.push_back(fresh);
        }
    }
}

void IPLUGINAPI_IMPL::RemoveOrUpdateDrives(const std::shared_ptr<CDorvAdapter>& adapter,
                                           const std::vector<CDorvLogicalDrive>& newLogicalDrives,
                                           CSystemChanges& changes) {
    for (auto drive = logicalDrives_.begin(); drive != logicalDrives_.end();) {
        if (!IsDriveOfPass(*drive, *adapter)) {
            ++drive;
            continue;
        }
        const CDorvLogicalDrive* found = findLogicalDriveBy(newLogicalDrives, *adapter, drive->m_Number);
        if (found == nullptr) {
            PI::CEvent event(adapter->m_ID, Event::LOGICALDRIVE_DELETED, 3, TLX::Misc::now(), adapter->m_Name);
            event.SetPlaceHolder1(adapter->m_Name);
            event.SetPlaceHolder2((boost::format("%d") % drive->m_Number).str());
            events_.push_back(event);
            auto child = std::find(adapter->m_Children.begin(), adapter->m_Children.end(), drive->m_ID);
            if (child != adapter->m_Children.end()) {
                adapter->m_Children.erase(child);
                ++adapter->m_UpdateCounter;
            }
            changes.removedDrives.push_back(*drive);
            drive = logicalDrives_.erase(drive);
            changes.reported = true;
        } else if (drive->Unequal(*found)) {
            // The row is written from the drive itself, so that it keeps the drive's identifier.
            std::string rowName = drive->m_Name;
            drive->Update(*found);
            changes.changedDrives.emplace_back(*drive, std::move(rowName));
            changes.reported = true;
            ++drive;
        } else {
            ++drive;
        }
    }
}

void IPLUGINAPI_IMPL::AdoptDrives(const std::shared_ptr<CDorvAdapter>& adapter,
                                  std::vector<CDorvLogicalDrive>& newLogicalDrives, CSystemChanges& changes) {
    // Each new drive is adopted once, in the pass of its own adapter (the first pass when its adapter
    // is unknown); every pass taking it would add it once per adapter.
    for (auto& fresh : newLogicalDrives) {
        if (!IsDriveOfPass(fresh, *adapter)) {
            continue;
        }
        if (findLogicalDriveBy(logicalDrives_, *adapter, fresh.m_Number) != nullptr) {
            continue;
        }
        // As with an adopted adapter: a scan's record carries no identifier the host could use.
        fresh.m_ID = NewID();
        fresh.m_Adapter = adapter;
        adapter->m_Children.push_back(fresh.m_ID);
        ++adapter->m_UpdateCounter;
        logicalDrives_.push_back(fresh);
        changes.addedDrives.push_back(fresh);
        changes.reported = true;
    }
}

void IPLUGINAPI_IMPL::WriteRows(CSystemChanges& changes, std::vector<CDorvPhysicalDrive>& newPhysicalDrives) {
    for (auto& adapter : changes.addedAdapters) {
        InsertObjectToDatabase(adapter, false);
    }
    for (auto& adapter : changes.changedAdapters) {
        UpdateObjectInDatabase(adapter);
    }
    for (auto& drive : newPhysicalDrives) {
        UpdateObjectInDatabase(drive);
    }
    for (auto& drive : changes.addedDrives) {
        InsertObjectToDatabase(drive, false);
    }
    for (auto& changed : changes.changedDrives) {
        UpdateLogicalDriveRow(changed.first, changed.second);
    }
    for (auto& drive : changes.removedDrives) {
        DeleteObjectFromDatabase(drive);
    }
    UpdateObjectInDatabase(plugin_);
}
} // namespace NAMESPACE_piDorv
