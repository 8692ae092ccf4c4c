#include "pi/CObject.h"

namespace PI {

bool CObject::operator==(const CObject& o) const {
    return m_ID == o.m_ID && m_Type == o.m_Type && m_Parents == o.m_Parents && m_Children == o.m_Children &&
           m_UpdateCounter == o.m_UpdateCounter && m_Locked == o.m_Locked && m_Properties == o.m_Properties &&
           m_Operations == o.m_Operations;
}

} // namespace PI
