// Faults of the configuration file: a directory that cannot be written, a file full of garbage, and a
// writer killed between writing the new file and renaming it over the old one.
#include <csignal>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "ReliabilitySupport.h"
#include "pi/CConfigFile.h"

namespace reliability {
namespace {
std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
void WriteFile(const std::filesystem::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

class ConfigFault : public PluginFixture {
protected:
    std::filesystem::path ConfigFile() const { return configDir_ / "piDorv.ini"; }
    std::int64_t ShownPollInterval() {
        PI::CProperty property(PROP_POLL_INTERVAL, false);
        EXPECT_EQ(Execute(PI::GET_PROPERTY, PluginId(), &property), 0u);
        return property.Number() != nullptr ? property.GetValueRangeNormalized() : -1;
    }
};

TEST_F(ConfigFault, UnwritableDirectoryStillChangesTheIntervalAndReportsTheWrite) {
    // Tests run as root, so permissions do not stop a write; a directory below a regular file does.
    const auto blocker = tempDir_ / "not-a-directory";
    WriteFile(blocker, "x");
    setenv("PI_CONFIG_DIR", (blocker / "config").string().c_str(), 1);
    Create();
    ASSERT_EQ(Initialize(), 0u);
    ASSERT_EQ(StartThreads(), 0u);

    EXPECT_NE(SetPollInterval(2), 0u) << "the failed write is reported";
    EXPECT_EQ(Peer::pollInterval(Impl()), 2u) << "the interval is in force anyway";
    EXPECT_EQ(ShownPollInterval(), 2);
    EXPECT_EQ(AdapterIds().size(), 1u) << "the plugin keeps working";

    // The fault clears: the next change is written.
    std::filesystem::remove(blocker);
    std::filesystem::create_directories(blocker / "config");
    EXPECT_EQ(SetPollInterval(3), 0u);
    EXPECT_EQ(ReadFile(blocker / "config" / "piDorv.ini"), "PollInterval=3\n");
    Release();
    Create();
    EXPECT_EQ(Peer::pollInterval(Impl()), 3u) << "a new plugin reads the stored interval";
}

TEST_F(ConfigFault, GarbageFileGivesTheDefaultAndIsRepairedByTheNextWrite) {
    const std::vector<std::string> garbage = {
        std::string("\0\xff\xfe\x01", 4),
        "PollInterval",
        "PollInterval=",
        "PollInterval=abc",
        "PollInterval=7x",
        "PollInterval=99999999999999999999",
        "PollInterval=3.5",
        "=====\n\n\n",
        std::string(1 << 20, 'A'),
        "[section]\nPollInterval =5\n",
    };
    for (const auto& content : garbage) {
        SCOPED_TRACE(content.substr(0, 40));
        WriteFile(ConfigFile(), content);
        Create();
        EXPECT_EQ(Peer::pollInterval(Impl()), 10u);
        ASSERT_EQ(Initialize(), 0u);
        EXPECT_EQ(ShownPollInterval(), 10);

        EXPECT_EQ(SetPollInterval(7), 0u);
        const std::string repaired = ReadFile(ConfigFile());
        EXPECT_NE(repaired.find("PollInterval=7\n"), std::string::npos);
        Release();
        Create();
        EXPECT_EQ(Peer::pollInterval(Impl()), 7u);
        Release();
    }
}

TEST_F(ConfigFault, WindowsLineEndingsAndOtherKeysAreKept) {
    WriteFile(ConfigFile(), "Other=1\r\nPollInterval=4\r\n");
    Create();
    EXPECT_EQ(Peer::pollInterval(Impl()), 4u);
    ASSERT_EQ(Initialize(), 0u);
    EXPECT_EQ(SetPollInterval(6), 0u);
    EXPECT_EQ(ReadFile(ConfigFile()), "Other=1\r\nPollInterval=6\r\n");
}

TEST_F(ConfigFault, LeftoverTemporaryFileOfACrashedWriteIsIgnored) {
    WriteFile(ConfigFile(), "Other=1\nPollInterval=9\n");
    // What a writer killed after writing and before renaming leaves beside the file.
    WriteFile(configDir_ / "piDorv.ini.Ab12Cd", "PollInterval=4");
    Create();
    EXPECT_EQ(Peer::pollInterval(Impl()), 9u);
    ASSERT_EQ(Initialize(), 0u);
    EXPECT_EQ(SetPollInterval(5), 0u);
    EXPECT_EQ(ReadFile(ConfigFile()), "Other=1\nPollInterval=5\n");
}

TEST_F(ConfigFault, WriterKilledAtAnyMomentLeavesAWholeFile) {
    // A long line makes each write take long enough to be caught in the middle.
    const std::string padding = "Padding=" + std::string(256 * 1024, 'p') + "\n";
    const std::string first = padding + "PollInterval=20\n";
    const std::string second = padding + "PollInterval=30\n";
    WriteFile(ConfigFile(), first);

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
        std::this_thread::sleep_for(std::chrono::microseconds(500 + 900 * round));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);

        const std::string content = ReadFile(ConfigFile());
        ASSERT_TRUE(content == first || content == second)
            << "round " << round << ": a torn file of " << content.size() << " bytes";
    }
    Create();
    const std::uint32_t interval = Peer::pollInterval(Impl());
    EXPECT_TRUE(interval == 20u || interval == 30u) << interval;
    ASSERT_EQ(Initialize(), 0u);
    EXPECT_EQ(SetPollInterval(8), 0u) << "temporary files left by the killed writer do not get in the way";
    EXPECT_EQ(ReadFile(ConfigFile()), padding + "PollInterval=8\n");
}
} // namespace
} // namespace reliability

namespace reliability {
namespace {
TEST_F(ConfigFault, ConfigurationFileThatIsADirectory) {
    std::filesystem::create_directories(configDir_ / "piDorv.ini");
    std::uint32_t created = 1;
    EXPECT_NO_THROW(created = createIf(&api_));
    ASSERT_EQ(created, 0u);
    EXPECT_EQ(Peer::pollInterval(Impl()), 10u);
    ASSERT_EQ(Initialize(), 0u);
    std::uint32_t status = 0;
    EXPECT_NO_THROW(status = SetPollInterval(5));
    EXPECT_NE(status, 0u) << "the write cannot replace a directory";
    EXPECT_EQ(Peer::pollInterval(Impl()), 5u);
}
} // namespace
} // namespace reliability
