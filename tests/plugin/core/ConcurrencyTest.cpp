// Several host threads against a busy worker: every answer is an allowed one and no event is lost
// or handed out twice.
#include <atomic>
#include <set>

#include "CoreTestSupport.h"

extern "C" std::uint32_t createIf(IPLUGINAPI** out);
extern "C" void releaseIf(IPLUGINAPI** holder);

namespace core_test {
namespace {
class ConcurrencyTest : public CoreTest {};

TEST_F(ConcurrencyTest, MixedCommandsWhileTheWorkerCycles) {
    IPLUGINAPI* host = nullptr;
    ASSERT_EQ(createIf(&host), 0u);
    std::vector<PI::CAdapterID> ids;
    ASSERT_EQ(host->Execute(PI::INITIALIZE, 0, &ids), 0u);
    ASSERT_EQ(host->Execute(PI::SET_ADAPTER_IDS, 0, &ids), 0u);

    std::vector<PI::CObject> topology;
    ASSERT_EQ(host->Execute(PI::GET_TOPOLOGY, 0, &topology), 0u);
    ASSERT_EQ(topology.size(), 2u);
    const unsigned long pluginId = topology[0].m_ID;
    const unsigned long adapterId = topology[1].m_ID;

    std::atomic<int> raised{0};
    std::atomic<int> collected{0};
    std::atomic<int> unexpected{0};
    const int threads = 4;
    const int rounds = 60;
    auto client = [&](int seed) {
        for (int i = 0; i < rounds; ++i) {
            std::uint32_t status = 0;
            std::set<std::uint32_t> allowed = {0};
            switch ((i + seed) % 7) {
            case 0: {
                PI::COperation scan(50007);
                status = host->Execute(PI::EXECUTE_OPERATION, adapterId, &scan);
                if (status == 0) {
                    ++raised;
                }
                break;
            }
            case 1: {
                PI::COperation events(50002);
                status = host->Execute(PI::EXECUTE_OPERATION, pluginId, &events);
                for (const auto& event : events.m_Events) {
                    collected += event.m_Code == 10132 ? 1 : 0;
                }
                break;
            }
            case 2: {
                std::vector<PI::CObject> objects;
                status = host->Execute(PI::GET_TOPOLOGY, 0, &objects);
                if (objects.size() != 2 || objects[1].m_ID != adapterId) {
                    ++unexpected;
                }
                break;
            }
            case 3: {
                std::vector<PI::CProperty> properties;
                status = host->Execute(PI::GET_PROPERTIES, (i % 2) ? adapterId : pluginId, &properties);
                break;
            }
            case 4: {
                PI::CProperty poll(30005, true);
                status = host->Execute(PI::GET_PROPERTY, pluginId, &poll);
                break;
            }
            case 5: {
                PI::CProperty poll(30005, true);
                poll.SetValue(std::int64_t{10 + i % 5}, std::int64_t{2}, std::int64_t{255}, std::int64_t{1});
                status = host->Execute(PI::SET_PROPERTY, pluginId, &poll);
                break;
            }
            default: {
                std::vector<PI::COperation> operations;
                status = host->Execute(PI::GET_OPERATIONS, adapterId, &operations);
                PI::COperation check(50003);
                status |= host->Execute(PI::CHECK_OPERATION, adapterId, &check);
                break;
            }
            }
            if (allowed.count(status) == 0) {
                ++unexpected;
            }
        }
    };
    std::vector<std::thread> clients;
    for (int t = 0; t < threads; ++t) {
        clients.emplace_back(client, t);
    }
    for (auto& c : clients) {
        c.join();
    }

    ASSERT_EQ(host->Execute(PI::DEINITIALIZE, 0, nullptr), 0u);
    auto* plugin = static_cast<IPLUGINAPI_IMPL*>(host);
    int queued = 0;
    for (const auto& event : Peer::events(*plugin)) {
        queued += event.m_Code == 10132 ? 1 : 0;
    }
    EXPECT_EQ(unexpected.load(), 0);
    EXPECT_GT(raised.load(), 0);
    EXPECT_EQ(raised.load(), collected.load() + queued);
    releaseIf(&host);
    EXPECT_EQ(host, nullptr);
}
} // namespace
} // namespace core_test
