// The plugin object: command entry, lifecycle, worker and event queue, object routing, the scan
// cycle and the database rows of the shown objects.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <boost/optional.hpp>

#include "pi/CAdapterID.h"
#include "pi/CConfigFile.h"
#include "pi/CEvent.h"
#include "pi/CObject.h"
#include "pi/IPLUGINAPI.h"
#include "piDorvAdapter.h"
#include "piDorvLogicalDrive.h"
#include "piDorvPhysicalDrive.h"
#include "tlx/Events.h"

namespace DatabaseORM {
class storage_t;
}
namespace RaidDataModels {
struct Plugin;
}

namespace NAMESPACE_piDorv {
// The plugin's own shown object.
class CDorvPlugin : public PI::CObject {
public:
    CDorvPlugin() = default;
    ~CDorvPlugin() override = default;
    CDorvPlugin(const CDorvPlugin&) = default;
    CDorvPlugin& operator=(const CDorvPlugin&) = default;
};

namespace IPLUGINAPI_IMPLNS {
// Events that wake the plugin's threads.
class CPluginEvents {
public:
    enum E { STOP = 0, FORCE_WORK = 1, PRIVATE = 2 };
};

struct CThreadHolder {
    std::thread thread_;
};
} // namespace IPLUGINAPI_IMPLNS

class IPLUGINAPI_IMPL : public IPLUGINAPI {
public:
    typedef IPLUGINAPI_IMPLNS::CPluginEvents CPluginEvents;

    IPLUGINAPI_IMPL();
    std::uint32_t Execute(PI::_COMMAND command, unsigned long objectId, void* data) override;
    // Stops and joins threads that still run (a host that skipped DeInitialize).
    ~IPLUGINAPI_IMPL() override;
    IPLUGINAPI_IMPL(const IPLUGINAPI_IMPL&) = delete;
    IPLUGINAPI_IMPL& operator=(const IPLUGINAPI_IMPL&) = delete;

    std::uint64_t NewID();

    // Lifecycle.
    std::uint32_t Initialize(std::vector<PI::CAdapterID>& ids);
    std::uint32_t SetAdapterIDs(const std::vector<PI::CAdapterID>& ids);
    std::uint32_t DeInitialize();

    // The plugin object.
    std::uint32_t GetPluginProperties(CDorvPlugin& plugin, std::vector<PI::CProperty>& out, PI::_PROPERTY_ID id);
    std::uint32_t SetPluginProperty(CDorvPlugin& plugin, PI::CProperty& property);
    std::uint32_t GetPluginOperations(CDorvPlugin& plugin, std::vector<PI::COperation>& out);
    std::uint32_t CheckPluginOperation(CDorvPlugin& plugin, PI::COperation& op);
    std::uint32_t ExecutePluginOperation(CDorvPlugin& plugin, PI::COperation& op);

    // Object routing.
    std::uint32_t GetTopology(std::vector<PI::CObject>& out);
    std::uint32_t GetProperties(unsigned long id, std::vector<PI::CProperty>& out);
    std::uint32_t GetProperty(unsigned long& id, PI::CProperty& property);
    std::uint32_t SetProperty(unsigned long& id, PI::CProperty& property);
    std::uint32_t GetOperations(unsigned long& id, std::vector<PI::COperation>& out);
    std::uint32_t CheckOperation(unsigned long& id, PI::COperation& op);
    std::uint32_t ExecuteOperation(unsigned long& id, PI::COperation& op);

    // Worker, events and object lock flags.
    void sendWorkerEvent(CPluginEvents::E e);
    void onAddAvent(const PI::CEvent& event);
    std::uint32_t GetEvents(CDorvPlugin& plugin, PI::COperation& op);
    // The lock flags belong to the objects: callers hold dL.
    std::uint32_t LockObjects(int a, int b, int c, int d);
    std::uint32_t UnlockObjects();
    void Worker();
    void EventPoll();
    // One cycle; false when the locks were busy and nothing was done.
    bool WorkerDo(bool bscan);

    // Scan and reconcile; callers hold dL (and eL for UpdateSystem).
    std::uint32_t ScanSystem(std::vector<std::shared_ptr<CDorvAdapter>>& adapters,
                             std::vector<CDorvPhysicalDrive>& physicalDrives,
                             std::vector<CDorvLogicalDrive>& logicalDrives, bool newIds);
    std::uint32_t UpdateSystem(const std::vector<std::shared_ptr<CDorvAdapter>>& newAdapters,
                               std::vector<CDorvPhysicalDrive>& newPhysicalDrives,
                               std::vector<CDorvLogicalDrive>& newLogicalDrives);

    // Database rows of the shown objects.
    std::uint32_t SetDatabaseObjectProperties(RaidDataModels::Plugin& model, CDorvPlugin& plugin);
    std::uint32_t InsertObjectToDatabase(std::shared_ptr<CDorvAdapter>& adapter, bool flag);
    std::uint32_t InsertObjectToDatabase(CDorvPhysicalDrive& drive, bool flag);
    std::uint32_t InsertObjectToDatabase(CDorvLogicalDrive& drive, bool flag);
    std::uint32_t InsertObjectToDatabase(CDorvPlugin& plugin, bool flag);
    std::uint32_t UpdateObjectInDatabase(std::shared_ptr<CDorvAdapter>& adapter);
    std::uint32_t UpdateObjectInDatabase(CDorvPhysicalDrive& drive);
    std::uint32_t UpdateObjectInDatabase(CDorvLogicalDrive& drive);
    std::uint32_t UpdateObjectInDatabase(CDorvPlugin& plugin);
    std::uint32_t DeleteObjectFromDatabase(boost::optional<std::shared_ptr<CDorvAdapter>&> adapter);
    std::uint32_t DeleteObjectFromDatabase(CDorvPhysicalDrive& drive);
    std::uint32_t DeleteObjectFromDatabase(CDorvLogicalDrive& drive);
    std::uint32_t DeleteObjectFromDatabase(CDorvPlugin& plugin);
    std::uint32_t InsertAdapterPdToLdAssociationsToDb(std::vector<CDorvLogicalDrive>& logicalDrives,
                                                      std::vector<CDorvPhysicalDrive>& physicalDrives);

private:
    friend class PluginTestPeer; // unit tests reach the members through it

    // Whether a thread holder still holds a thread; callers hold lifecycleL (or are the destructor).
    bool ThreadsRunning() const;

    // Steps of the worker loop.
    enum class WorkerStep { STOP, RETRY_FORCED_SCAN, POLL, FORCED_SCAN, UNLOCK, NONE };
    // Waits for the next event, or for the end of the wait; gives what the worker does next.
    WorkerStep AwaitWorkerStep(bool forcedPending, bool forcedRan);
    // Calls the host back, when it registered for it, once the objects were unlocked.
    void NotifyHost();
    // After a cycle: the adapters are the plugin object's children, the plugin each adapter's parent.
    void LinkAdaptersToPlugin();

    // Steps of UpdateSystem, all under dL and eL; they collect in `changes` what the rows are written from.
    struct CSystemChanges;
    // The scanned adapters into adapters_: a known one is updated when it changed, a new one adopted.
    void MergeAdapters(const std::vector<std::shared_ptr<CDorvAdapter>>& newAdapters, CSystemChanges& changes);
    // The current logical drives of the adapter's pass: a drive gone is removed, a changed one updated.
    void RemoveOrUpdateDrives(const std::shared_ptr<CDorvAdapter>& adapter,
                              const std::vector<CDorvLogicalDrive>& newLogicalDrives, CSystemChanges& changes);
    // The new logical drives of the adapter's pass not yet known are adopted.
    void AdoptDrives(const std::shared_ptr<CDorvAdapter>& adapter, std::vector<CDorvLogicalDrive>& newLogicalDrives,
                     CSystemChanges& changes);
    // The rows of what changed, then the physical drives' rows and the plugin's row.
    void WriteRows(CSystemChanges& changes, std::vector<CDorvPhysicalDrive>& newPhysicalDrives);

    std::function<void(const PI::CEvent&)> EventSink();
    // In a reconcile pass of `adapter`, whether a current logical drive is one of its drives.
    bool IsDriveOfPass(const CDorvLogicalDrive& drive, const CDorvAdapter& adapter) const;
    // The logical drive's row update, finding the row by the name it was written with.
    std::uint32_t UpdateLogicalDriveRow(CDorvLogicalDrive& drive, const std::string& rowName);

    TLX::Threading::CEventHandler eventHandler_;
    // Serialises Initialize, SetAdapterIDs and DeInitialize; taken before dL, never by the threads.
    std::mutex lifecycleL;
    std::mutex dL;
    std::mutex eL;
    CDorvPlugin plugin_;
    std::vector<std::shared_ptr<CDorvAdapter>> adapters_;
    std::vector<CDorvPhysicalDrive> physicalDrives_;
    std::vector<CDorvLogicalDrive> logicalDrives_;
    std::vector<PI::CAdapterID> adapterIDs_;
    std::vector<PI::CEvent> events_;
    std::atomic<std::uint32_t> pollInterval_;
    std::uint64_t nextID_ = 0;
    IPLUGINAPI_IMPLNS::CThreadHolder workerTh_;
    IPLUGINAPI_IMPLNS::CThreadHolder eventPoolTh_;
    PI::CConfigFile configFile_;
    std::shared_ptr<DatabaseORM::storage_t> db_;
};

// Poll interval bounds and default, in seconds.
const std::uint32_t POLL_INTERVAL_MIN = 2;
const std::uint32_t POLL_INTERVAL_MAX = 255;
const std::uint32_t POLL_INTERVAL_DEFAULT = 10;
// The poll interval a stored text stands for (the whole text must be a decimal number).
std::uint32_t PollIntervalFromText(const std::string& text);
} // namespace NAMESPACE_piDorv
