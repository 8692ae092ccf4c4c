// The few host codes pihost itself needs to know; every other code is shown through the name tables.
#pragma once
#include <cstdint>

namespace pihost {
namespace Codes {
const std::int32_t TYPE_PLUGIN = 19006;
const std::int32_t TYPE_ADAPTER = 19037;        // as the scan stores it
const std::int32_t TYPE_ADAPTER_PARSED = 19051; // as the device-tree parse gives it

const std::int32_t PROPERTY_ALL = 1;
const std::int32_t PROPERTY_NAME = 30007;
const std::int32_t PROPERTY_POLL_INTERVAL = 30005;
const std::int32_t PROPERTY_UNIQUE_ID = 30137;
const std::int32_t PROPERTY_RAID_LEVEL = 30045;
const std::int32_t PROPERTY_LOGICAL_SIZE = 30090;
const std::int32_t PROPERTY_PORT_NUMBER = 30122;

const std::int32_t OPERATION_GET_EVENTS = 50002;
const std::int32_t OPERATION_SCAN_CONFIGURATION = 50007;

// Extra text number that marks a size shown in KiB.
const std::int32_t EXTRA_TEXT_SIZE = 21002;

const std::int32_t POLL_INTERVAL_MIN = 2;
const std::int32_t POLL_INTERVAL_MAX = 255;

// What check and metrics read.
const std::int32_t PROPERTY_STATUS = 30017;
const std::int32_t PROPERTY_FIRMWARE_VERSION = 30020;
const std::int32_t PROPERTY_SERIAL_NUMBER = 30022;
const std::int32_t PROPERTY_PRODUCT = 30063;
const std::int32_t PROPERTY_VERSION = 30099;
} // namespace Codes
} // namespace pihost
