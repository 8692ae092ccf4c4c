// A pointer to a data member as a 64-bit number and back. The field maps store members this way so
// that one binding type serves every model; the representation is the ABI's member offset.
#pragma once
#include <cstdint>
#include <cstring>

namespace RaidDataModels {
template <class V, class T> std::uint64_t positionOf(V T::*member) {
    static_assert(sizeof(member) == sizeof(std::uint64_t), "member pointers must be 64-bit offsets");
    std::uint64_t position = 0;
    std::memcpy(&position, &member, sizeof(position));
    return position;
}

template <class V, class T> V T::*memberAt(std::uint64_t position) {
    V T::*member = nullptr;
    static_assert(sizeof(member) == sizeof(position), "member pointers must be 64-bit offsets");
    std::memcpy(&member, &position, sizeof(position));
    return member;
}
} // namespace RaidDataModels
