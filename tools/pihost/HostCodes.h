// The few host codes pihost itself needs to know, under the names pihost's code uses; the values
// come from the one home of the host's codes. Every other code is shown through the name tables.
#pragma once
#include <cstdint>

#include "codes/HostCodes.h"

namespace pihost {
namespace Codes {
const std::int32_t TYPE_PLUGIN = HostCodes::ObjectType::PLUGIN;
const std::int32_t TYPE_ADAPTER = HostCodes::ObjectType::ADAPTER;
const std::int32_t TYPE_ADAPTER_PARSED = HostCodes::ObjectType::ADAPTER_PARSED;

const std::int32_t PROPERTY_ALL = HostCodes::Property::ALL;
const std::int32_t PROPERTY_NAME = HostCodes::Property::NAME;
const std::int32_t PROPERTY_POLL_INTERVAL = HostCodes::Property::POLL_INTERVAL;
const std::int32_t PROPERTY_UNIQUE_ID = HostCodes::Property::UNIQUE_ID;
const std::int32_t PROPERTY_RAID_LEVEL = HostCodes::Property::RAID_LEVEL;
const std::int32_t PROPERTY_LOGICAL_SIZE = HostCodes::Property::LOGICAL_SIZE;
const std::int32_t PROPERTY_PORT_NUMBER = HostCodes::Property::PORT_NUMBER;

const std::int32_t OPERATION_GET_EVENTS = HostCodes::Operation::GET_EVENTS;
const std::int32_t OPERATION_SCAN_CONFIGURATION = HostCodes::Operation::SCAN_CONFIGURATION;

// Extra text number that marks a size shown in KiB.
const std::int32_t EXTRA_TEXT_SIZE = HostCodes::Text::SIZE_UNIT;

const std::int32_t POLL_INTERVAL_MIN = 2;
const std::int32_t POLL_INTERVAL_MAX = 255;

// What check and metrics read.
const std::int32_t PROPERTY_STATUS = HostCodes::Property::STATUS;
const std::int32_t PROPERTY_FIRMWARE_VERSION = HostCodes::Property::FIRMWARE_VERSION;
const std::int32_t PROPERTY_SERIAL_NUMBER = HostCodes::Property::SERIAL_NUMBER;
const std::int32_t PROPERTY_PRODUCT = HostCodes::Property::PRODUCT;
const std::int32_t PROPERTY_VERSION = HostCodes::Property::VERSION;
} // namespace Codes
} // namespace pihost
