// The host's numeric codes that the project's own code names; the names the host shows for them are
// in the tables of CodeNames.cpp. Status codes are what the plugin entry returns (unsigned); every
// other code is a signed 32-bit number, as the host's records hold it.
#pragma once
#include <cstdint>

namespace HostCodes {
namespace Status {
const std::uint32_t SUCCESS = 0;
const std::uint32_t GENERAL = 20000;
const std::uint32_t NO_SUPPORTED_HARDWARE = 20001;
const std::uint32_t INVALID_COMMAND = 20002;
const std::uint32_t INVALID_PROPERTY = 20004;
const std::uint32_t INVALID_OPERATION = 20005;
const std::uint32_t INVALID_PARAMETER = 20006;
const std::uint32_t MEMORY_ERROR = 20007;
const std::uint32_t INVALID_OBJECT_ID = 20008;
const std::uint32_t LOGICALDRIVE_BUSY = 20020;
} // namespace Status

// Object type codes of the shown objects.
namespace ObjectType {
const std::int32_t PLUGIN = 19006;
const std::int32_t ADAPTER = 19037;        // as the scan stores it
const std::int32_t ADAPTER_PARSED = 19051; // as the device-tree parse gives it
} // namespace ObjectType

namespace Value {
const std::int32_t SATA = 40002;
const std::int32_t RAID0 = 40007;
const std::int32_t RAID1 = 40009;
const std::int32_t CONCAT = 40021;
const std::int32_t FAILED_MISSING = 40023;
const std::int32_t OK = 40024;
const std::int32_t BUSY = 40025;
const std::int32_t STRIPE_4K = 40049;
const std::int32_t STRIPE_8K = 40050;
const std::int32_t STRIPE_16K = 40051;
const std::int32_t STRIPE_32K = 40052;
const std::int32_t STRIPE_64K = 40053;
const std::int32_t STRIPE_128K = 40054;
const std::int32_t OPERATIONAL = 40093;
const std::int32_t DEGRADED = 40094;
const std::int32_t FAILED = 40095;
const std::int32_t REBUILDING = 40096;
const std::int32_t DEDICATED_HOTSPARE = 40098;
const std::int32_t AVAILABLE = 40099;
const std::int32_t IDLE = 40102;
const std::int32_t INITIALIZING = 40103;
const std::int32_t WARNING = 40150;
const std::int32_t SAS = 40174;
const std::int32_t CAN_BE_CONFIGURED = 40262;
const std::int32_t CANNOT_BE_CONFIGURED = 40263;
const std::int32_t LOGICAL_DRIVE_DEGRADED = 40266;
const std::int32_t LOGICAL_DRIVE_FAILED = 40267;
const std::int32_t LINUX_MD = 40278;
const std::int32_t HDD = 40292;
const std::int32_t SSD = 40293;
const std::int32_t SD = 40495;
} // namespace Value

namespace Event {
const std::int32_t LOGICALDRIVE_DELETED = 10081;
const std::int32_t SCAN_CONFIGURATION = 10132;
} // namespace Event

namespace Operation {
const std::int32_t GET_EVENTS = 50002;
const std::int32_t GET_RAID_LEVEL_INFORMATION = 50003;
const std::int32_t GET_RAID_MIGRATION_INFORMATION = 50004;
const std::int32_t GET_LOGICAL_DRIVE_CONFIGURATION = 50005;
const std::int32_t SCAN_CONFIGURATION = 50007;
} // namespace Operation

namespace Property {
const std::int32_t UNDEFINED = 1;
const std::int32_t ALL = UNDEFINED; // asked for, it stands for every property of the object
const std::int32_t VENDOR = 30003;
const std::int32_t POLL_INTERVAL = 30005;
const std::int32_t NAME = 30007;
const std::int32_t STATUS = 30017;
const std::int32_t DRIVER_VERSION = 30018;
const std::int32_t FIRMWARE_VERSION = 30020;
const std::int32_t SERIAL_NUMBER = 30022;
const std::int32_t PCI_BUS = 30037;
const std::int32_t PCI_DEVICE = 30038;
const std::int32_t PCI_FUNCTION = 30039;
const std::int32_t TRANSFER_SPEED = 30043;
const std::int32_t RAID_LEVEL = 30045;
const std::int32_t STRIPESIZE = 30046;
const std::int32_t GUARDED_LOGICAL_DRIVES = 30052;
const std::int32_t TRANSFER_WIDTH = 30053;
const std::int32_t ACTIVITY = 30054;
const std::int32_t TYPE = 30056;
const std::int32_t PHYSICAL_SIZE = 30059;
const std::int32_t CONFIGURABLE_SIZE = 30060;
const std::int32_t PRODUCT = 30063;
const std::int32_t MAX_PHYSICAL_DEVICES = 30075;
const std::int32_t MAX_LOGICAL_DRIVES = 30076;
const std::int32_t LOGICAL_SIZE = 30090;
const std::int32_t VERSION = 30099;
const std::int32_t ADAPTER_NUMBER = 30120;
const std::int32_t PORT_NUMBER = 30122;
const std::int32_t DEVICE_NUMBER = 30125;
const std::int32_t LOGICAL_DRIVE_NUMBER = 30126;
const std::int32_t UNIQUE_ID = 30137;
const std::int32_t MISC_ERRORS = 30154;
const std::int32_t PFA_COUNT = 30155;
const std::int32_t HARDWARE_TYPE = 30158;
const std::int32_t ADDITIONAL_STATUS = 30165;
const std::int32_t VENDOR_ID = 30177;
const std::int32_t DEVICE_ID = 30179;
const std::int32_t SAS_ADDRESS_00 = 30202;
const std::int32_t SAS_ADDRESS_01 = 30203;
const std::int32_t SAS_ADDRESS_02 = 30204;
const std::int32_t SAS_ADDRESS_03 = 30205;
const std::int32_t COERCED_SIZE = 30207;
const std::int32_t MEDIA_ERROR_COUNT = 30208;
const std::int32_t FOREIGN_CONFIG = 30236;
const std::int32_t RPM = 30243;
const std::int32_t CONFIGURABILITY = 30244;
const std::int32_t OS_DEVICE = 30247;
const std::int32_t DRIVER_NAME = 30266;
const std::int32_t CUR_PHYSICAL_DEVICES = 30273;
const std::int32_t CUR_LOGICAL_DRIVES = 30274;
const std::int32_t CUR_MAX_PHYSICAL_DEVICES = 30277;
const std::int32_t CUR_MAX_LOGICAL_DRIVES = 30278;
const std::int32_t POWER_STATUS = 30310;
const std::int32_t MEDIA_TYPE = 30320;
const std::int32_t PCI_SEGMENT = 30479;
const std::int32_t CONFIGURATION = 30496;
} // namespace Property

// Sub-property codes: what part of the object a property describes.
namespace SubProperty {
const std::int32_t BUS = 35016;
const std::int32_t DEVICE = 35020;
const std::int32_t FUNCTION = 35022;
const std::int32_t ID = 35023;
const std::int32_t LOGICAL = 35025;
const std::int32_t PHYSICAL = 35028;
const std::int32_t SEGMENT = 35039;
const std::int32_t TYPE = 35044;
} // namespace SubProperty

// Text numbers the host shows beside a value.
namespace Text {
const std::int32_t SIZE_UNIT = 21002; // the unit after a size
} // namespace Text
} // namespace HostCodes
