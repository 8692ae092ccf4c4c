// Rows of the shown objects in the host database: insert, update (found again by a natural key) and
// delete, plus the rows linking physical drives to the logical drives they form.
#include <exception>
#include <stdexcept>

#include "orm/RaidDataModels.h"
#include "orm/storage.h"
#include "pi/CLogicalDrive.h"
#include "piDorvCodes.h"
#include "piDorvModule.h"
#include "piDorvPlugin.h"

namespace NAMESPACE_piDorv {
namespace {
using DatabaseORM::and_condition;
using DatabaseORM::columns;
using DatabaseORM::is_equal;
using DatabaseORM::where;
using TLX::Output_Streams::FormatInt;

const std::uint32_t DB_TRACE_LEVEL = 128;
const char* const SETTABLE_PROPERTIES =
    "{\"\"settableProperties\"\":[{\"\"name\"\":\"\"pollinterval\"\",\"\"formatStr\"\":\"\"<int32>[2..255, 1]\"\"}]}";

// Whether a logical drive's configuration lists the physical drive by its port and device numbers.
bool FormsPart(const PI::CLogicalDrive& configuration, const CDorvPhysicalDrive& drive) {
    for (const auto& container : configuration.GetContainers()) {
        for (const auto& member : container.m_Drives) {
            if (member.m_PortNumber == drive.m_PortNumber && member.m_DeviceNumber == drive.m_DeviceNumber) {
                return true;
            }
        }
    }
    return false;
}
} // namespace

#define PIDORV_DB_TRACE(function, format) PIDORV_TRACE(DB_TRACE_LEVEL, function, format)

std::uint32_t IPLUGINAPI_IMPL::SetDatabaseObjectProperties(RaidDataModels::Plugin& model, CDorvPlugin& plugin) {
    model = RaidDataModels::Plugin();
    model.ObjectID = plugin.m_ID;
    model.Name = PLUGIN_NAME;
    model.PollInterval = static_cast<int>(pollInterval_.load());
    model.SettableProperties = SETTABLE_PROPERTIES;
    model.UniqueID = PluginUniqueId();
    model.Vendor = PLUGIN_VENDOR;
    model.Version = PLUGIN_VERSION;
    return Status::SUCCESS;
}

// ---- Insert ----

std::uint32_t IPLUGINAPI_IMPL::InsertObjectToDatabase(std::shared_ptr<CDorvAdapter>& adapter, bool) {
    try {
        RaidDataModels::Adapter model;
        adapter->SetDatabaseObjectProperties(model);
        db_->insert(model);
        PIDORV_DB_TRACE("InsertObjectToDatabase", "Adapter (%s) (%d) inserted to db.")
            << adapter->m_Name << FormatInt(adapter->m_GlobalAdapterNumber);
        return Status::SUCCESS;
    } catch (const DBEXCEPTION::DatabaseException&) {
        PIDORV_DB_TRACE("InsertObjectToDatabase",
                        "Storage query exception thrown during inserting Adapter (%s) (%d) to db.")
            << adapter->m_Name << FormatInt(adapter->m_GlobalAdapterNumber);
        return Status::GENERAL;
    }
}

std::uint32_t IPLUGINAPI_IMPL::InsertObjectToDatabase(CDorvPhysicalDrive& drive, bool) {
    try {
        RaidDataModels::PD model;
        drive.SetDatabaseObjectProperties(model);
        db_->insert(model);
        PIDORV_DB_TRACE("InsertObjectToDatabase", "PD (%s) (%d) entry inserted to db.")
            << drive.m_Name << FormatInt(drive.m_PortNumber);
        return Status::SUCCESS;
    } catch (const DBEXCEPTION::DatabaseException& e) {
        PIDORV_DB_TRACE("InsertObjectToDatabase",
                        "Storage query exception thrown during inserting PD (%s) (%d) to db. (%s)")
            << drive.m_Name << FormatInt(drive.m_PortNumber) << e.what();
        return Status::GENERAL;
    }
}

std::uint32_t IPLUGINAPI_IMPL::InsertObjectToDatabase(CDorvLogicalDrive& drive, bool) {
    try {
        RaidDataModels::LD model;
        drive.SetDatabaseObjectProperties(model);
        db_->insert(model);
        PIDORV_DB_TRACE("InsertObjectToDatabase", "LD (%s) (%d) inserted to db.")
            << drive.m_Name << FormatInt(drive.m_Number);
        return Status::SUCCESS;
    } catch (const DBEXCEPTION::DatabaseException& e) {
        PIDORV_DB_TRACE("InsertObjectToDatabase",
                        "Storage query exception thrown during inserting LD (%s) (%d) to db. (%s)")
            << drive.m_Name << FormatInt(drive.m_Number) << e.what();
        return Status::GENERAL;
    }
}

std::uint32_t IPLUGINAPI_IMPL::InsertObjectToDatabase(CDorvPlugin& plugin, bool) {
    try {
        RaidDataModels::Plugin model;
        SetDatabaseObjectProperties(model, plugin);
        db_->insert(model);
        PIDORV_DB_TRACE("InsertObjectToDatabase", "Plugin Dorv100 inserted to db.");
        return Status::SUCCESS;
    } catch (const DBEXCEPTION::DatabaseException& e) {
        PIDORV_DB_TRACE("InsertObjectToDatabase", "Exception thrown during inserting Dorv100 plugin object to db. (%s)")
            << e.what();
        return Status::GENERAL;
    }
}

// ---- Update: a missing row is not an error and nothing is written ----
// Updates read rows back first; a cell that another writer filled with text the model cannot take
// raises a conversion error, which must end here like a database error instead of reaching the host.
// Any other error (memory exhaustion) is not the database's and goes on to the caller.

std::uint32_t IPLUGINAPI_IMPL::UpdateObjectInDatabase(std::shared_ptr<CDorvAdapter>& adapter) {
    const auto failed = [&adapter](const std::exception& e) {
        PIDORV_DB_TRACE("UpdateObjectInDatabase",
                        "Storage query exception thrown during updating Adapter (%s) (%d) in db. (%s)")
            << adapter->m_Name << FormatInt(adapter->m_GlobalAdapterNumber) << e.what();
        return Status::GENERAL;
    };
    try {
        const auto rows = db_->get_all<RaidDataModels::Adapter>(where(and_condition(
            is_equal(&RaidDataModels::Adapter::GlobalAdapterNumber, static_cast<int>(adapter->m_GlobalAdapterNumber)),
            is_equal(&RaidDataModels::Adapter::HostName, HOST_NAME))));
        if (rows.empty()) {
            return Status::SUCCESS;
        }
        RaidDataModels::Adapter model;
        adapter->SetDatabaseObjectProperties(model);
        model.ID = rows.front().ID;
        db_->update(model);
        PIDORV_DB_TRACE("UpdateObjectInDatabase", "Adapter (%s) (%d) entry updated in db.")
            << adapter->m_Name << FormatInt(adapter->m_GlobalAdapterNumber);
        return Status::SUCCESS;
    } catch (const DBEXCEPTION::DatabaseException& e) {
        return failed(e);
    } catch (const std::invalid_argument& e) {
        return failed(e);
    } catch (const std::out_of_range& e) {
        return failed(e);
    }
}

std::uint32_t IPLUGINAPI_IMPL::UpdateObjectInDatabase(CDorvPhysicalDrive& drive) {
    const auto failed = [&drive](const std::exception& e) {
        PIDORV_DB_TRACE("UpdateObjectInDatabase",
                        "Storage query exception thrown during updating PD (%s) (%d) id db. (%s)")
            << drive.m_Name << FormatInt(drive.m_PortNumber) << e.what();
        return Status::GENERAL;
    };
    try {
        const auto rows = db_->get_all<RaidDataModels::PD>(
            where(and_condition(is_equal(&RaidDataModels::PD::AuxNumber, static_cast<int>(drive.m_AuxNumber)),
                                is_equal(&RaidDataModels::PD::HostName, HOST_NAME))));
        if (rows.empty()) {
            return Status::SUCCESS;
        }
        RaidDataModels::PD model;
        drive.SetDatabaseObjectProperties(model);
        model.ID = rows.front().ID;
        db_->update(model);
        PIDORV_DB_TRACE("UpdateObjectInDatabase", "PD (%s) (%d) entry updated id db.")
            << drive.m_Name << FormatInt(drive.m_PortNumber);
        return Status::SUCCESS;
    } catch (const DBEXCEPTION::DatabaseException& e) {
        return failed(e);
    } catch (const std::invalid_argument& e) {
        return failed(e);
    } catch (const std::out_of_range& e) {
        return failed(e);
    }
}

std::uint32_t IPLUGINAPI_IMPL::UpdateObjectInDatabase(CDorvLogicalDrive& drive) {
    return UpdateLogicalDriveRow(drive, drive.m_Name);
}

std::uint32_t IPLUGINAPI_IMPL::UpdateLogicalDriveRow(CDorvLogicalDrive& drive, const std::string& rowName) {
    const auto failed = [&drive](const std::exception& e) {
        PIDORV_DB_TRACE("UpdateObjectInDatabase",
                        "Storage query exception thrown during updating LD number (%d) id db. (%s)")
            << FormatInt(drive.m_Number) << e.what();
        return Status::GENERAL;
    };
    try {
        const auto rows = db_->select(columns(&RaidDataModels::LD::ID, &RaidDataModels::LD::UniqueID),
                                      where(is_equal(&RaidDataModels::LD::Name, rowName)));
        // The name must name one row only; anything else leaves the rows alone.
        if (rows.size() != 1) {
            return Status::SUCCESS;
        }
        RaidDataModels::LD model;
        drive.SetDatabaseObjectProperties(model);
        model.ID = std::get<0>(rows.front());
        db_->update(model);
        PIDORV_DB_TRACE("UpdateObjectInDatabase", "LD number (%d) entry updated id db.") << FormatInt(drive.m_Number);
        return Status::SUCCESS;
    } catch (const DBEXCEPTION::DatabaseException& e) {
        return failed(e);
    } catch (const std::invalid_argument& e) {
        return failed(e);
    } catch (const std::out_of_range& e) {
        return failed(e);
    }
}

std::uint32_t IPLUGINAPI_IMPL::UpdateObjectInDatabase(CDorvPlugin& plugin) {
    const auto failed = [](const std::exception& e) {
        PIDORV_DB_TRACE("UpdateObjectInDatabase",
                        "Exception thrown during updating Dorv100 plugin object entry in db. (%s)")
            << e.what();
        return Status::GENERAL;
    };
    try {
        const auto rows =
            db_->get_all<RaidDataModels::Plugin>(where(is_equal(&RaidDataModels::Plugin::Name, PLUGIN_NAME)));
        if (rows.empty()) {
            return Status::SUCCESS;
        }
        RaidDataModels::Plugin model;
        SetDatabaseObjectProperties(model, plugin);
        model.ID = rows.front().ID;
        db_->update(model);
        PIDORV_DB_TRACE("UpdateObjectInDatabase", "Plugin Dorv100 updated in db.");
        return Status::SUCCESS;
    } catch (const DBEXCEPTION::DatabaseException& e) {
        return failed(e);
    } catch (const std::invalid_argument& e) {
        return failed(e);
    } catch (const std::out_of_range& e) {
        return failed(e);
    }
}

// ---- Delete ----

std::uint32_t IPLUGINAPI_IMPL::DeleteObjectFromDatabase(boost::optional<std::shared_ptr<CDorvAdapter>&>) {
    // Every USB SD adapter row of this host goes, whichever adapter is meant.
    try {
        db_->remove_all<RaidDataModels::Adapter>(
            where(and_condition(and_condition(is_equal(&RaidDataModels::Adapter::DeviceTypes, "SD"),
                                              is_equal(&RaidDataModels::Adapter::DriverName, ADAPTER_DRIVER_NAME)),
                                is_equal(&RaidDataModels::Adapter::HostName, HOST_NAME))));
        PIDORV_DB_TRACE("DeleteObjectFromDatabase", "Dorv100 adapter removed from db.");
        return Status::SUCCESS;
    } catch (const DBEXCEPTION::DatabaseException& e) {
        PIDORV_DB_TRACE("DeleteObjectFromDatabase",
                        "Storage query exception thrown during removing Dorv100 adapter from db. (%s)")
            << e.what();
        return Status::GENERAL;
    }
}

std::uint32_t IPLUGINAPI_IMPL::DeleteObjectFromDatabase(CDorvPhysicalDrive&) {
    return Status::SUCCESS;
}

std::uint32_t IPLUGINAPI_IMPL::DeleteObjectFromDatabase(CDorvLogicalDrive& drive) {
    // The row names no adapter: the drive's identifier keeps drive 0 of one adapter from taking the
    // row of another adapter's drive 0 along.
    try {
        db_->remove_all<RaidDataModels::LD>(where(and_condition(
            and_condition(and_condition(is_equal(&RaidDataModels::LD::AuxNumber2, static_cast<int>(drive.m_AuxNumber2)),
                                        is_equal(&RaidDataModels::LD::Number, static_cast<int>(drive.m_Number))),
                          is_equal(&RaidDataModels::LD::HostName, HOST_NAME)),
            is_equal(&RaidDataModels::LD::ObjectID, static_cast<unsigned long>(drive.m_ID)))));
        PIDORV_DB_TRACE("DeleteObjectFromDatabase", "LD (%s) (%d) removed from db.")
            << drive.m_Name << FormatInt(drive.m_Number);
        return Status::SUCCESS;
    } catch (const DBEXCEPTION::DatabaseException& e) {
        PIDORV_DB_TRACE("DeleteObjectFromDatabase",
                        "Storage query exception thrown during removing LD (%s) (%d) from db. (%s)")
            << drive.m_Name << FormatInt(drive.m_Number) << e.what();
        return Status::GENERAL;
    }
}

std::uint32_t IPLUGINAPI_IMPL::DeleteObjectFromDatabase(CDorvPlugin&) {
    try {
        db_->remove_all<RaidDataModels::Plugin>(where(is_equal(&RaidDataModels::Plugin::Name, PLUGIN_NAME)));
        PIDORV_DB_TRACE("DeleteObjectFromDatabase", "Plugin Dorv removed from db.");
        return Status::SUCCESS;
    } catch (const DBEXCEPTION::DatabaseException& e) {
        PIDORV_DB_TRACE("DeleteObjectFromDatabase", "Exception thrown during removing Dorv plugin object from db. (%s)")
            << e.what();
        return Status::GENERAL;
    }
}

// ---- Physical drive to logical drive links ----

std::uint32_t IPLUGINAPI_IMPL::InsertAdapterPdToLdAssociationsToDb(std::vector<CDorvLogicalDrive>& logicalDrives,
                                                                   std::vector<CDorvPhysicalDrive>& physicalDrives) {
    std::uint32_t status = Status::SUCCESS;
    for (const auto& logicalDrive : logicalDrives) {
        const PI::CLogicalDrive configuration(logicalDrive.m_Configuration);
        for (const auto& physicalDrive : physicalDrives) {
            if (!FormsPart(configuration, physicalDrive)) {
                continue;
            }
            try {
                RaidDataModels::PD_LD row;
                row.LogicalDriveNumber = logicalDrive.m_Number;
                row.SlotNumber = physicalDrive.m_PortNumber;
                row.LogicalDriveUniqueID = logicalDrive.m_UniqueID;
                row.PhysicalDriveUniqueID = physicalDrive.m_UniqueID;
                db_->insert(row);
                PIDORV_DB_TRACE("InsertAdapterPdToLdAssociationsToDb",
                                "PdLdAssociation LD number (%d) and PD slot number (%d) inserted to db.")
                    << FormatInt(logicalDrive.m_Number) << FormatInt(physicalDrive.m_PortNumber);
            } catch (const DBEXCEPTION::DatabaseException& e) {
                PIDORV_DB_TRACE("InsertAdapterPdToLdAssociationsToDb",
                                "Storage query exception thrown during inserting PD nad LD association for LD number "
                                "(%d) and PD slot number (%d). (%s)")
                    << FormatInt(logicalDrive.m_Number) << FormatInt(physicalDrive.m_PortNumber) << e.what();
                status = Status::GENERAL;
                break; // the rest of this logical drive's drives are skipped
            }
        }
    }
    return status;
}
} // namespace NAMESPACE_piDorv
