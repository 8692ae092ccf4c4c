// Host status codes the plugin returns.
#pragma once
#include <cstdint>

namespace NAMESPACE_piDorv {
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
} // namespace NAMESPACE_piDorv
