// Clocks used for event time stamps and lock timing.
#pragma once
#include <cstdint>
#include <ctime>

namespace TLX {
namespace Functions {
// Ticks of a monotonic clock; with resolution 10000 the unit is microseconds.
std::uint64_t GetTickTime(unsigned resolution);
} // namespace Functions
namespace Misc {
std::time_t now();     // seconds since the epoch
std::uint64_t nowMS(); // milliseconds since the epoch
std::int64_t timeDiffAsMS(std::uint64_t laterMS, std::uint64_t earlierMS);
} // namespace Misc
} // namespace TLX
