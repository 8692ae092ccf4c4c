#include "tlx/Clock.h"

#include <chrono>

namespace TLX {
namespace Functions {
std::uint64_t GetTickTime(unsigned resolution) {
    // A tick lasts 1 / (100 * resolution) seconds: 10000 gives microseconds, 10 milliseconds,
    // 10000000 nanoseconds. 0 is read as the usual 10000.
    if (resolution == 0) {
        resolution = 10000;
    }
    const auto ns =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    const unsigned __int128 scaled = static_cast<unsigned __int128>(ns) * resolution / 10000000u;
    return static_cast<std::uint64_t>(scaled);
}
} // namespace Functions

namespace Misc {
std::time_t now() {
    return std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
}

std::uint64_t nowMS() {
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count());
}

std::int64_t timeDiffAsMS(std::uint64_t laterMS, std::uint64_t earlierMS) {
    return static_cast<std::int64_t>(laterMS - earlierMS);
}
} // namespace Misc
} // namespace TLX
