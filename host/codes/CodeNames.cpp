#include "codes/CodeNames.h"

#include <array>
#include <map>
#include <utility>

namespace CodeNames {
namespace {

typedef std::map<std::int32_t, std::string> NameMap;
typedef std::pair<std::int32_t, const char*> Row;

// Rows in the order the host lists them. Some codes are listed twice; the first name is kept.
const Row kValueRows[] = {
    {0, ""},
    {1, "UNDEFINED"},
    {40000, "ENABLED"},
    {40002, "SATA"},
    {40007, "RAID0"},
    {40009, "RAID1"},
    {40014, "RAID5"},
    {40021, "CONCAT"},
    {40023, "FAILED_MISSING"},
    {40024, "OK"},
    {40025, "BUSY"},
    {40049, "4K"},
    {40050, "8K"},
    {40051, "16K"},
    {40052, "32K"},
    {40053, "64K"},
    {40054, "128K"},
    {40093, "OPERATIONAL"},
    {40094, "DEGRADED"},
    {40095, "FAILED"},
    {40096, "REBUILDING"},
    {40098, "DEDICATED_HOTSPARE"},
    {40099, "AVAILABLE"},
    {40102, "IDLE"},
    {40103, "INITIALIZING"},
    {40149, "INFORMATION"},
    {40150, "WARNING"},
    {40151, "ERROR"},
    {40174, "SAS"},
    {40262, "CAN_BE_CONFIGURED"},
    {40263, "CANNOT_BE_CONFIGURED"},
    {40266, "LOGICAL_DRIVE_DEGRADED"},
    {40267, "LOGICAL_DRIVE_FAILED"},
    {40277, "BLKDEV"},
    {40278, "LINUX_MD"},
    {40279, "COPYING"},
    {40292, "HDD"},
    {40293, "SSD"},
    {40494, "SERVICEVALIDATE"},
    {40495, "SD"},
    {40496, "NVME"},
    {40669, "REBUILD"},
};

const Row kStatusRows[] = {
    {0, "SUCCESS"},
    {20000, "GENERAL"},
    {20001, "NO_SUPPORTED_HARDWARE"},
    {20002, "INVALID_COMMAND"},
    {20004, "INVALID_PROPERTY"},
    {20005, "INVALID_OPERATION"},
    {20006, "INVALID_PARAMETER"},
    {20007, "MEMORY_ERROR"},
    {20008, "INVALID_OBJECT_ID"},
    {20020, "LOGICALDRIVE_BUSY"},
    {20174, "MDADM_ERROR"},
};

const Row kEventRows[] = {
    {1, "UNDEFINED"},
    {5, "TEST_TRAP"},
    {10000, "UNKNOWN"},
    {10081, "LOGICALDRIVE_DELETED"},
    {10132, "SCAN_CONFIGURATION"},
    {12357, "LD_STATE_CHANGE_INV_TO_FOR"},
};

const Row kOperationRows[] = {
    {1, "UNDEFINED"},
    {50000, "CREATE_LOGICAL_DRIVE"},
    {50002, "GET_EVENTS"},
    {50003, "GET_RAID_LEVEL_INFORMATION"},
    {50004, "GET_RAID_MIGRATION_INFORMATION"},
    {50005, "GET_LOGICAL_DRIVE_CONFIGURATION"},
    {50007, "SCAN_CONFIGURATION"},
    {50162, "CHANGE_RWH"},
    {50500, "ADD_SERVER"},
};

const Row kPropertyRows[] = {
    {0, "FRAME_START"},
    {1, "UNDEFINED"},
    {1, "FRAME_END"},
    {3, "SEPARATOR_END"},
    {29900, "RUI_PROPERTIES"},
    {29900, "OBJECT_NAME"},
    {30003, "VENDOR"},
    {30005, "POLL_INTERVAL"},
    {30007, "NAME"},
    {30017, "STATUS"},
    {30018, "DRIVER_VERSION"},
    {30020, "FIRMWARE_VERSION"},
    {30022, "SERIAL_NUMBER"},
    {30037, "PCI_BUS"},
    {30038, "PCI_DEVICE"},
    {30039, "PCI_FUNCTION"},
    {30043, "TRANSFER_SPEED"},
    {30045, "RAID_LEVEL"},
    {30046, "STRIPESIZE"},
    {30052, "GUARDED_LOGICAL_DRIVES"},
    {30053, "TRANSFER_WIDTH"},
    {30054, "ACTIVITY"},
    {30056, "TYPE"},
    {30059, "PHYSICAL_SIZE"},
    {30060, "CONFIGURABLE_SIZE"},
    {30063, "PRODUCT"},
    {30075, "MAX_PHYSICAL_DEVICES"},
    {30076, "MAX_LOGICAL_DRIVES"},
    {30090, "LOGICAL_SIZE"},
    {30099, "VERSION"},
    {30120, "ADAPTER_NUMBER"},
    {30122, "PORT_NUMBER"},
    {30125, "DEVICE_NUMBER"},
    {30126, "LOGICAL_DRIVE_NUMBER"},
    {30137, "UNIQUE_ID"},
    {30154, "MISC_ERRORS"},
    {30155, "PFA_COUNT"},
    {30158, "HARDWARE_TYPE"},
    {30165, "ADDITIONAL_STATUS"},
    {30177, "VENDOR_ID"},
    {30179, "DEVICE_ID"},
    {30202, "SAS_ADDRESS_00"},
    {30203, "SAS_ADDRESS_01"},
    {30204, "SAS_ADDRESS_02"},
    {30205, "SAS_ADDRESS_03"},
    {30207, "COERCED_SIZE"},
    {30208, "MEDIA_ERROR_COUNT"},
    {30236, "FOREIGN_CONFIG"},
    {30243, "RPM"},
    {30244, "CONFIGURABILITY"},
    {30247, "OS_DEVICE"},
    {30266, "DRIVER_NAME"},
    {30273, "CUR_PHYSICAL_DEVICES"},
    {30274, "CUR_LOGICAL_DRIVES"},
    {30277, "CUR_MAX_PHYSICAL_DEVICES"},
    {30278, "CUR_MAX_LOGICAL_DRIVES"},
    {30310, "POWER_STATUS"},
    {30320, "MEDIA_TYPE"},
    {30479, "PCI_SEGMENT"},
    {30496, "CONFIGURATION"},
    // Sub-property codes.
    {35016, "BUS"},
    {35020, "DEVICE"},
    {35022, "FUNCTION"},
    {35023, "ID"},
    {35025, "LOGICAL"},
    {35028, "PHYSICAL"},
    {35039, "SEGMENT"},
    {35044, "TYPE"},
    {35203, "SENSE_LOG"},
};

template <std::size_t N> NameMap build(const Row (&rows)[N]) {
    NameMap names;
    for (const Row& row : rows) {
        names.emplace(row.first, row.second); // emplace keeps the name already there
    }
    return names;
}

// Built once (thread-safe static initialisation) and only read afterwards.
const std::array<NameMap, 5>& tables() {
    static const std::array<NameMap, 5> all = {build(kValueRows), build(kStatusRows), build(kEventRows),
                                               build(kOperationRows), build(kPropertyRows)};
    return all;
}

// Builds the tables while the library loads, before any entry point can look a name up.
[[maybe_unused]] const bool g_TablesBuilt = !tables().empty();

const NameMap& tableOf(Table table) {
    return tables()[static_cast<std::size_t>(table)];
}

} // namespace

const std::string& Name(Table table, std::int32_t code) {
    static const std::string empty;
    const NameMap& names = tableOf(table);
    const auto found = names.find(code);
    return found == names.end() ? empty : found->second;
}

bool CodeOf(Table table, const std::string& name, std::int32_t& code) {
    // Ascending code order, so a name listed under several codes gives the lowest one.
    for (const auto& entry : tableOf(table)) {
        if (entry.second == name) {
            code = entry.first;
            return true;
        }
    }
    return false;
}

std::size_t Count(Table table) {
    return tableOf(table).size();
}

} // namespace CodeNames
