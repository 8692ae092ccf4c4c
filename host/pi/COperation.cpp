#include "pi/COperation.h"

#include <algorithm>
#include <iterator>

namespace PI {

bool COperation::operator==(const COperation& o) const {
    return m_Code == o.m_Code && m_Code2 == o.m_Code2 && m_Kind == o.m_Kind &&
           std::equal(std::begin(m_Block), std::end(m_Block), std::begin(o.m_Block)) && m_Flag == o.m_Flag &&
           m_Result == o.m_Result && m_Levels == o.m_Levels && m_Drives == o.m_Drives &&
           m_Migrations == o.m_Migrations && m_Partitions == o.m_Partitions && m_Events == o.m_Events &&
           m_Properties == o.m_Properties && m_LogicalDrives == o.m_LogicalDrives;
}

} // namespace PI
