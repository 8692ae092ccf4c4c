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
    const std::pair<const char*, const char*> calls[] = {{"stable-host", "SN-A"},
                                                         {"stable-host", "SN-B"},
                                                         {"stable-host", "SN-A"},
                                                         {"other-host", "SN-B"},
                                                         {"stable-host", "SN-B"}};
    const std::uint32_t expected[] = {0, 1, 0, 0, 1};
    for (std::size_t i = 0; i < std::size(calls); ++i) {
        EXPECT_EQ(expected[i], numberOf(calls[i].first, calls[i].second)) << i;
    }
    // A numeric unique id is its decimal text.
    CGlobalAdapterID id("stable-host");
    id.SetAdapterUniqueID(std::int64_t{123456789012});
    EXPECT_EQ("123456789012", id.GetUniqueID());
    EXPECT_EQ(2u, id.GenerateUniqueAdapterNumber());
    EXPECT_EQ(2u, numberOf("stable-host", "123456789012"));

    {
        std::lock_guard<std::mutex> guard(CGlobalAdapterID::TableMutex());
        CGlobalAdapterID::AllHostsAdaptersUniqueIDs["seeded-host"]["SN-0"] = 0;
        CGlobalAdapterID::AllHostsAdaptersUniqueIDs["seeded-host"]["SN-2"] = 2;
    }
    EXPECT_EQ(1u, numberOf("seeded-host", "SN-X"));
    EXPECT_EQ(3u, numberOf("seeded-host", "SN-Y"));
}
