// Basic codes of the plugin interface.
#pragma once
#include <cstdint>

namespace PI {
// Commands the host sends through IPLUGINAPI::Execute.
enum _COMMAND : std::int32_t {
    COMMAND_NONE = 0,
    INITIALIZE = 1,
    SET_ADAPTER_IDS = 2,
    DEINITIALIZE = 3,
    GET_TOPOLOGY = 4,
    GET_PROPERTIES = 5,
    GET_PROPERTY = 6,
    SET_PROPERTY = 7,
    GET_OPERATIONS = 8,
    CHECK_OPERATION = 9,
    EXECUTE_OPERATION = 10,
};

// Property codes are plain 32-bit numbers (names in the code tables); 1 asks for all.
typedef std::int32_t _PROPERTY_ID;
const _PROPERTY_ID PROPERTY_UNDEFINED = 1;
} // namespace PI
