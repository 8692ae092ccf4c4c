// An operation of a shown object, with the records it carries in and out.
#pragma once
#include <cstdint>
#include <vector>

#include "pi/CEvent.h"
#include "pi/CLevel.h"
#include "pi/CLogicalDrive.h"
#include "pi/CProperty.h"

namespace PI {
class COperation {
public:
    COperation() = default;
    explicit COperation(std::int32_t code) : m_Code(code), m_Code2(code) {}

    bool operator==(const COperation& o) const;
    bool operator!=(const COperation& o) const { return !(*this == o); }

    std::int32_t m_Code = 0; // both code fields hold the operation code
    std::int32_t m_Code2 = 0;
    std::int32_t m_Kind = 0; // kind word
    std::int32_t m_Block[6] = {0, 0, 0, 0, 0, 0};
    bool m_Flag = false;
    std::int32_t m_Result = 0;
    std::vector<CLevel> m_Levels;
    std::vector<CDrive> m_Drives;
    std::vector<CMigration> m_Migrations;
    std::vector<CPartition> m_Partitions;
    std::vector<CEvent> m_Events;
    std::vector<CProperty> m_Properties;
    std::vector<CLogicalDrive> m_LogicalDrives;
};
} // namespace PI
