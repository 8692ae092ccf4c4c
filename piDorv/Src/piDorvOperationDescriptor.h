// The nine-number row from which an offered operation is built.
#pragma once
#include <cstdint>

#include "pi/COperation.h"

namespace NAMESPACE_piDorv {
// Field order: code, kind word, block words 1, 2, 6, flag, block words 5, 3, 4.
struct OperationDescriptor {
    std::int32_t code;
    std::int32_t kind;
    std::int32_t block1;
    std::int32_t block2;
    std::int32_t block6;
    bool flag;
    std::int32_t block5;
    std::int32_t block3;
    std::int32_t block4;
};

inline PI::COperation MakeOperation(const OperationDescriptor& d) {
    PI::COperation op(d.code);
    op.m_Kind = d.kind;
    op.m_Block[0] = d.block1;
    op.m_Block[1] = d.block2;
    op.m_Block[2] = d.block3;
    op.m_Block[3] = d.block4;
    op.m_Block[4] = d.block5;
    op.m_Block[5] = d.block6;
    op.m_Flag = d.flag;
    return op;
}
} // namespace NAMESPACE_piDorv
