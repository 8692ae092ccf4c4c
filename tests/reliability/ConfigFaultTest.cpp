// Faults of the configuration file: garbage where the file should be, and a writer killed between
// writing the new file and renaming it over the old one.
#include <csignal>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

#include "pi/CConfigFile.h"
#include "support/PluginFixture.h"

namespace {
using namespace test_support;

class ConfigFault : public HostedPluginTest {
protected:
    // A new plugin object shows the interval it read from the file and reports whether it wrote another.
    void ExpectReadAndSet(std::int64_t read, std::int64_t set, bool written) {
        Create();
        Initialize();
        PI::CProperty shown(30005, false);
        EXPECT_EQ(Execute(PI::GET_PROPERTY, PluginId(), &shown), 0u);
        EXPECT_EQ(shown.GetValueRangeNormalized(), read);
        EXPECT_EQ(SetPollInterval(set) == 0u, written);
        Release();
    }
};

TEST_F(ConfigFault, GarbageGivesTheDefaultAndTheNextWriteRepairsIt) {
    for (const std::string& garbage : {std::string("\0\xff\xfe\x01", 4), std::string("PollInterval=3.5"),
                                       std::string("=====\n\n\n"), std::string(1 << 20, 'A')}) {
        SCOPED_TRACE(garbage.substr(0, 20));
        WriteConfig(garbage);
        ExpectReadAndSet(10, 7, true);
        ExpectReadAndSet(7, 7, true);
    }
    // A directory where the file should be: read as no file, and no write can replace it.
    std::filesystem::remove(m_ConfigDir / "piDorv.ini");
    std::filesystem::create_directories(m_ConfigDir / "piDorv.ini");
    ExpectReadAndSet(10, 5, false);
}

TEST_F(ConfigFault, WriterKilledAtAnyMomentLeavesAWholeFile) {
    // A long line makes each write take long enough to be caught in the middle.
    const std::string padding = "Padding=" + std::string(256 * 1024, 'p') + "\n";
    const std::string first = padding + "PollInterval=20\n";
    const std::string second = padding + "PollInterval=30\n";
    WriteConfig(first);
    for (int round = 0; round < 25; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            PI::CConfigFile file;
            file.SetFileName("piDorv.ini");
            for (int i = 0;; ++i) {
                file.WriteKeyValue("PollInterval", i % 2 == 0 ? "30" : "20", -1, -1);
            }
        }
        // Spread the kills over the writes; the time only chooses the moment, nothing waits on it.
        std::this_thread::sleep_for(std::chrono::microseconds(500 + 900 * round));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        const std::string content = ReadConfig();
        ASSERT_TRUE(content == first || content == second) << "round " << round << ": torn, " << content.size();
    }
    Create();
    const std::uint32_t interval = Peer::pollInterval(Plugin());
    EXPECT_TRUE(interval == 20u || interval == 30u) << interval;
    Initialize();
    EXPECT_EQ(SetPollInterval(8), 0u) << "temporary files left by the killed writer do not get in the way";
    EXPECT_EQ(ReadConfig(), padding + "PollInterval=8\n");
}
} // namespace
