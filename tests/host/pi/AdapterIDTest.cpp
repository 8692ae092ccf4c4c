// Host-wide adapter numbers: stable per (host, unique id), counted per host from 0, skipping numbers
// already in the table.
#include <gtest/gtest.h>

#include "pi/CAdapterID.h"

using PI::CGlobalAdapterID;

namespace {
std::uint32_t numberOf(const std::string& host, const std::string& uniqueId) {
    CGlobalAdapterID id(host);
    id.SetAdapterUniqueID(uniqueId);
    const std::uint32_t number = id.GenerateUniqueAdapterNumber();
    EXPECT_EQ(number, id.GetGlobalAdapterNumber());
    return number;
}
} // namespace

TEST(GlobalAdapterID, SamePairKeepsItsNumberNewPairsCountPerHostFromZero) {
    EXPECT_EQ(static_cast<std::uint32_t>(-1), CGlobalAdapterID("stable-host").GetGlobalAdapterNumber());
    EXPECT_EQ(0u, numberOf("stable-host", "SN-A"));
    EXPECT_EQ(1u, numberOf("stable-host", "SN-B"));
    EXPECT_EQ(0u, numberOf("stable-host", "SN-A"));
    EXPECT_EQ(0u, numberOf("other-host", "SN-B"));
    EXPECT_EQ(1u, numberOf("stable-host", "SN-B"));
    {
        std::lock_guard<std::mutex> guard(CGlobalAdapterID::TableMutex());
        CGlobalAdapterID::AllHostsAdaptersUniqueIDs["seeded-host"]["SN-0"] = 0;
        CGlobalAdapterID::AllHostsAdaptersUniqueIDs["seeded-host"]["SN-2"] = 2;
    }
    EXPECT_EQ(1u, numberOf("seeded-host", "SN-X"));
    EXPECT_EQ(3u, numberOf("seeded-host", "SN-Y"));
}
