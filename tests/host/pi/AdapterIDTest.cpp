#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

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
    // Another host numbers its own adapters from 0, even for an equal unique id.
    EXPECT_EQ(0u, numberOf("other-host", "SN-B"));
    EXPECT_EQ(1u, numberOf("stable-host", "SN-B"));

    // A numeric unique id is its decimal text.
    CGlobalAdapterID id("stable-host");
    id.SetAdapterUniqueID(std::int64_t{123456789012});
    EXPECT_EQ("123456789012", id.GetUniqueID());
    EXPECT_EQ(2u, id.GenerateUniqueAdapterNumber());
    EXPECT_EQ(2u, numberOf("stable-host", "123456789012"));
}

TEST(GlobalAdapterID, NumbersPlacedInTheTableAreNotHandedOutAgain) {
    {
        std::lock_guard<std::mutex> guard(CGlobalAdapterID::TableMutex());
        CGlobalAdapterID::AllHostsAdaptersUniqueIDs["seeded-host"]["SN-0"] = 0;
        CGlobalAdapterID::AllHostsAdaptersUniqueIDs["seeded-host"]["SN-2"] = 2;
    }
    EXPECT_EQ(1u, numberOf("seeded-host", "SN-X"));
    EXPECT_EQ(3u, numberOf("seeded-host", "SN-Y"));
}

TEST(GlobalAdapterID, ConcurrentCallersGetDistinctStableNumbers) {
    const int kThreads = 4;
    const int kIds = 50;
    std::vector<std::vector<std::uint32_t>> seen(kThreads, std::vector<std::uint32_t>(kIds));
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &seen] {
            for (int i = 0; i < kIds; ++i) {
                CGlobalAdapterID id("busy-host");
                id.SetAdapterUniqueID("SN-" + std::to_string(i));
                seen[t][i] = id.GenerateUniqueAdapterNumber();
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();

    std::set<std::uint32_t> distinct(seen[0].begin(), seen[0].end());
    EXPECT_EQ(static_cast<std::size_t>(kIds), distinct.size());
    EXPECT_EQ(static_cast<std::uint32_t>(kIds - 1), *distinct.rbegin());
    for (int t = 1; t < kThreads; ++t)
        EXPECT_EQ(seen[0], seen[t]);
}
