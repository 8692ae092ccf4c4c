// The worker and event-pool threads, the event queue and the object lock flags.
#include <functional>
#include <mutex>

#include "piDorvCodes.h"
#include "piDorvLockTrace.h"
#include "piDorvModule.h"
#include "piDorvPlugin.h"
#include "tlx/ErrorLog.h"
#include "tlx/Threading.h"

namespace NAMESPACE_piDorv {
namespace {
using TLX::Output_Streams::FormatInt;

const std::uint32_t CRASH_TRACE_LEVEL = 0x40000000;
// A forced scan is raised while the host call that asked for it still holds dL, so its first try
// usually finds the lock busy; it is tried again after this pause instead of being dropped.
const unsigned long FORCED_RETRY_MILLISECONDS = 100;
// After a forced cycle the worker pauses this long (on the stop event alone) before it takes the
// next raise: std::mutex is not fair, and without the pause the worker retakes dL before the host
// call that the unlock woke is scheduled, so under back-to-back forced scans host calls wait for
// several cycles instead of one.
const unsigned long HOST_TURN_MILLISECONDS = 1;

unsigned long WaitMilliseconds(const std::atomic<std::uint32_t>& seconds) {
    return static_cast<unsigned long>(seconds.load()) * 1000ul;
}
} // namespace

void IPLUGINAPI_IMPL::sendWorkerEvent(CPluginEvents::E e) {
    eventHandler_.notifyOne(e);
}

void IPLUGINAPI_IMPL::onAddAvent(const PI::CEvent& event) {
    std::unique_lock<std::mutex> lock(eL, std::defer_lock);
    PIDORV_LOCK_TIMING(timing, "eL.lock()", lock.lock());
    events_.push_back(event);
    sendWorkerEvent(CPluginEvents::FORCE_WORK);
}

std::uint32_t IPLUGINAPI_IMPL::GetEvents(CDorvPlugin&, PI::COperation& op) {
    PIDORV_TRACE(2, "GetEvents", "ENTER GetEvents()");
    op.m_Events.clear();
    std::unique_lock<std::mutex> lock(eL, std::defer_lock);
    bool locked = false;
    PIDORV_LOCK_TIMING(timing, "locked = eL.try_lock()", locked = lock.try_lock());
    if (!locked) {
        // The queue is busy; the events wait for the next call.
        return Status::SUCCESS;
    }
    op.m_Events = std::move(events_);
    events_.clear();
    PIDORV_TRACE(2, "GetEvents", "LEAVE GetEvents() -> %d") << FormatInt(Status::SUCCESS);
    return Status::SUCCESS;
}

std::uint32_t IPLUGINAPI_IMPL::LockObjects(int a, int b, int c, int d) {
    if (a < 0) {
        plugin_.m_Locked = true;
        for (auto& adapter : adapters_) {
            adapter->m_Locked = true;
        }
        for (auto& drive : physicalDrives_) {
            drive.m_Locked = true;
        }
        for (auto& drive : logicalDrives_) {
            drive.m_Locked = true;
        }
        return Status::SUCCESS;
    }
    if (b < 0 && d < 0 && c < 0) {
        for (auto& adapter : adapters_) {
            adapter->m_Locked = true;
        }
        return Status::SUCCESS;
    }
    if (b < 0 && c < 0) {
        for (auto& drive : logicalDrives_) {
            if (drive.m_Number == d) {
                drive.m_Locked = true;
                break;
            }
        }
        return Status::SUCCESS;
    }
    for (auto& drive : physicalDrives_) {
        if (drive.m_PortNumber == b && drive.m_DeviceNumber == c) {
            drive.m_Locked = true;
            break;
        }
    }
    return Status::SUCCESS;
}

std::uint32_t IPLUGINAPI_IMPL::UnlockObjects() {
    plugin_.m_Locked = false;
    for (auto& adapter : adapters_) {
        adapter->m_Locked = false;
    }
    for (auto& drive : physicalDrives_) {
        drive.m_Locked = false;
    }
    for (auto& drive : logicalDrives_) {
        drive.m_Locked = false;
    }
    return Status::SUCCESS;
}

void IPLUGINAPI_IMPL::Worker() {
    TLX::Threading::CThread::initialize();
    PIDORV_TRACE(2, "Worker", "ENTER Worker()");
    bool forcedPending = false;
    bool forcedRan = false;
    for (;;) {
        const WorkerStep step = AwaitWorkerStep(forcedPending, forcedRan);
        forcedRan = false;
        if (step == WorkerStep::STOP) {
            break;
        }
        // A failing cycle must not end the worker; the guards have released the locks by now.
        try {
            switch (step) {
            case WorkerStep::RETRY_FORCED_SCAN:
                PIDORV_TRACE(4, "Worker", "Worker() forced scan found the locks busy, retried");
                forcedPending = !WorkerDo(true);
                forcedRan = !forcedPending;
                break;
            case WorkerStep::POLL:
                PIDORV_TRACE(4, "Worker", "Worker() timeout event received");
                WorkerDo(false);
                break;
            case WorkerStep::FORCED_SCAN:
                // A cycle re-reads the whole tree: one answers every forced scan raised before it began.
                eventHandler_.takeAll(CPluginEvents::FORCE_WORK);
                PIDORV_TRACE(4, "Worker", "forceWork event received, force scan");
                forcedPending = !WorkerDo(true);
                forcedRan = !forcedPending;
                break;
            case WorkerStep::UNLOCK:
                PIDORV_TRACE(4, "Worker", "Worker() privateEvent_ event received");
                {
                    // The flags belong to the objects that host calls read under the data lock.
                    std::unique_lock<std::mutex> lock(dL, std::defer_lock);
                    PIDORV_LOCK_TIMING(timing, "dL.lock()", lock.lock());
                    UnlockObjects();
                }
                NotifyHost();
                break;
            case WorkerStep::STOP:
            case WorkerStep::NONE:
                break;
            }
        } catch (...) {
            forcedPending = false;
            TLX::Exceptions::CErrorLog log;
            TLX::Exceptions::CExceptionLog() >> log;
            PIDORV_TRACE(CRASH_TRACE_LEVEL, "Worker", "Worker()- cycle failed, worker goes on\n\n%S") << log;
        }
    }
    PIDORV_TRACE(4, "Worker", "stop event received");
    PIDORV_TRACE(2, "Worker", "LEAVE Worker()");
}

IPLUGINAPI_IMPL::WorkerStep IPLUGINAPI_IMPL::AwaitWorkerStep(bool forcedPending, bool forcedRan) {
    int which = -1;
    if (forcedRan) {
        static const std::vector<int> stopOnly = {CPluginEvents::STOP};
        if (eventHandler_.wait_for(stopOnly, HOST_TURN_MILLISECONDS, which)) {
            return WorkerStep::STOP;
        }
    }
    // The handler hands out the first listed event with a raise pending: a pending stop goes before
    // pending work, so DeInitialize waits for the cycle under way and not for the work queued behind it.
    static const std::vector<int> events = {CPluginEvents::STOP, CPluginEvents::PRIVATE, CPluginEvents::FORCE_WORK};
    const unsigned long wait = forcedPending ? FORCED_RETRY_MILLISECONDS : WaitMilliseconds(pollInterval_);
    if (!eventHandler_.wait_for(events, wait, which)) {
        return forcedPending ? WorkerStep::RETRY_FORCED_SCAN : WorkerStep::POLL;
    }
    switch (which) {
    case CPluginEvents::STOP:
        return WorkerStep::STOP;
    case CPluginEvents::FORCE_WORK:
        return WorkerStep::FORCED_SCAN;
    case CPluginEvents::PRIVATE:
        return WorkerStep::UNLOCK;
    default:
        return WorkerStep::NONE;
    }
}

void IPLUGINAPI_IMPL::NotifyHost() {
    if (hostCallback.host != nullptr && hostCallback.function != nullptr) {
        std::invoke(hostCallback.function, hostCallback.host, this);
    }
}

void IPLUGINAPI_IMPL::EventPoll() {
    TLX::Threading::CThread::initialize();
    const bool throwState = TLX::Threading::CThrowState::s_Counter.load() != 0;
    if (throwState) {
        TLX::Threading::CThrowState::Init();
    }
    PIDORV_TRACE(2, "EventPoll", "ENTER EventPoll()");
    try {
        const std::vector<int> events = {CPluginEvents::STOP};
        for (;;) {
            int which = -1;
            if (eventHandler_.wait_for(events, WaitMilliseconds(pollInterval_), which) &&
                which == CPluginEvents::STOP) {
                PIDORV_TRACE(4, "EventPoll", "stop event received");
                break;
            }
        }
    } catch (...) {
        TLX::Exceptions::CErrorLog log = TLX::Threading::CThrowState::ContinueException();
        TLX::Exceptions::CExceptionLog() >> log;
        PIDORV_TRACE(CRASH_TRACE_LEVEL, "EventPoll", "EventPoll()- Thread is crashed!\n\n%S") << log;
    }
    if (throwState) {
        TLX::Threading::CThrowState::Restore();
    }
    PIDORV_TRACE(2, "EventPoll", "LEAVE EventPoll()");
}

bool IPLUGINAPI_IMPL::WorkerDo(bool bscan) {
    // All or nothing, never waiting: a busy lock means a host call is running; try again later.
    std::unique_lock<std::mutex> dataLock(dL, std::defer_lock);
    std::unique_lock<std::mutex> eventLock(eL, std::defer_lock);
    bool locked = false;
    PIDORV_LOCK_TIMING(timing, "locked = std::try_lock(dL, eL)", locked = std::try_lock(dataLock, eventLock) == -1);
    if (!locked) {
        return false;
    }
    PIDORV_TRACE(4, "WorkerDo", "Worker() before bscan=%d") << FormatInt(static_cast<int>(bscan));

    std::vector<std::shared_ptr<CDorvAdapter>> newAdapters;
    std::vector<CDorvPhysicalDrive> newPhysicalDrives;
    std::vector<CDorvLogicalDrive> newLogicalDrives;
    plugin_.m_Parents.clear();
    plugin_.m_Children.clear();

    PIDORV_TRACE(16, "WorkerDo", "Before ScanSystem()");
    const std::uint32_t scanned = ScanSystem(newAdapters, newPhysicalDrives, newLogicalDrives, false);
    PIDORV_TRACE(16, "WorkerDo", "After ScanSystem() ret = %d drives=%d")
        << FormatInt(scanned) << FormatInt(static_cast<std::uint32_t>(newLogicalDrives.size()));

    if (scanned == Status::SUCCESS) {
        PIDORV_TRACE(16, "WorkerDo", "Before UpdateSystem()");
        const std::uint32_t updated = UpdateSystem(newAdapters, newPhysicalDrives, newLogicalDrives);
        PIDORV_TRACE(16, "WorkerDo", "After UpdateSystem() ret = %d") << FormatInt(updated);
        LinkAdaptersToPlugin();
    }
    ++plugin_.m_UpdateCounter;
    return true;
}

void IPLUGINAPI_IMPL::LinkAdaptersToPlugin() {
    for (auto& adapter : adapters_) {
        adapter->m_Parents.clear();
        adapter->m_Parents.push_back(plugin_.m_ID);
        plugin_.m_Children.push_back(adapter->m_ID);
        ++adapter->m_UpdateCounter;
    }
}
} // namespace NAMESPACE_piDorv
