#include "pi/CLevel.h"

namespace PI {

bool CLevel::operator==(const CLevel& o) const {
    return m_Level == o.m_Level && m_StripeSizes == o.m_StripeSizes && m_DefaultStripeSize == o.m_DefaultStripeSize &&
           m_MinDrives == o.m_MinDrives && m_MaxDrives == o.m_MaxDrives && m_Reserved1 == o.m_Reserved1 &&
           m_Reserved2 == o.m_Reserved2 && m_Reserved3 == o.m_Reserved3 && m_Reserved4 == o.m_Reserved4 &&
           m_TextNumber == o.m_TextNumber && m_Reserved5 == o.m_Reserved5 && m_Reserved6 == o.m_Reserved6;
}

} // namespace PI
