// One RAID level a device supports, as the RAID-level information operation reports it.
#pragma once
#include <cstdint>
#include <vector>

namespace PI {
class CLevel {
public:
    bool operator==(const CLevel& o) const;
    bool operator!=(const CLevel& o) const { return !(*this == o); }

    std::int32_t m_Level = 0;                // RAID level value code
    std::vector<std::int32_t> m_StripeSizes; // stripe size choices
    std::int32_t m_DefaultStripeSize = 0;
    // Fields after the default stripe size, in record order.
    std::int32_t m_MinDrives = 0;
    std::int32_t m_MaxDrives = 0;
    std::int32_t m_Reserved1 = 0;
    std::int32_t m_Reserved2 = 0;
    std::int32_t m_Reserved3 = 0;
    std::int32_t m_Reserved4 = 0;
    std::int32_t m_TextNumber = 0;
    std::int32_t m_Reserved5 = 0;
    std::int32_t m_Reserved6 = 0;
};
} // namespace PI
