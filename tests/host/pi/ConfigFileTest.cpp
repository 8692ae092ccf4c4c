// The key/value configuration file: where it lives, how keys are read, how a write replaces one
// line and nothing else, and that a failed write never leaves a broken file.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include <sys/resource.h>

#include "pi/CConfigFile.h"

namespace fs = std::filesystem;

namespace {
class ConfigFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "pi-config-XXXXXX").string();
        ASSERT_NE(nullptr, ::mkdtemp(pattern.data()));
        m_Dir = pattern;
        ::setenv("PI_CONFIG_DIR", m_Dir.c_str(), 1);
        m_File.SetFileName("piDorv.ini");
    }
    void TearDown() override {
        ::unsetenv("PI_CONFIG_DIR");
        fs::remove_all(m_Dir);
    }

    fs::path path() const { return m_Dir / "piDorv.ini"; }
    void put(const std::string& content) const { std::ofstream(path(), std::ios::binary) << content; }
    // The file holds `expected` and nothing else is left in its directory (no temporary file).
    void expectOnly(const std::string& expected) const {
        std::ifstream in(path(), std::ios::binary);
        EXPECT_EQ(expected, std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
        EXPECT_EQ(1, std::distance(fs::directory_iterator(m_Dir), fs::directory_iterator()));
    }
    // The value read for `key`, or "<missing>" when the read reports failure and leaves the value alone.
    std::string read(const std::string& key) {
        std::string value = "<missing>";
        const int result = m_File.ReadKeyValue(key, value, -1, -1);
        EXPECT_TRUE(result == 0 || value == "<missing>") << key;
        return result == 0 ? value : "<missing>";
    }
    int write(const std::string& key, const std::string& value) { return m_File.WriteKeyValue(key, value, -1, -1); }

    fs::path m_Dir;
    PI::CConfigFile m_File;
};
} // namespace

TEST_F(ConfigFileTest, PathFollowsTheEnvironmentKeysMatchExactlyAndValuesRunToTheLineEnd) {
    EXPECT_EQ(path().string(), m_File.GetPath());
    ::unsetenv("PI_CONFIG_DIR");
    EXPECT_EQ("piDorv.ini", m_File.GetPath());
    ::setenv("PI_CONFIG_DIR", m_Dir.c_str(), 1);
    put("# comment = not a key\n"
        "PollIntervalX=1\n"
        " PollInterval=2\n"
        "PollInterval=a=b c \r\n"
        "PollInterval=3\n"
        "Empty=");
    EXPECT_EQ("a=b c ", read("PollInterval"));
    EXPECT_EQ("2", read(" PollInterval"));
    EXPECT_EQ("", read("Empty"));
    EXPECT_EQ("<missing>", read("pollinterval"));
    EXPECT_EQ("<missing>", read("Other"));
}

// A key or value that would break the format is refused and changes nothing.
TEST_F(ConfigFileTest, WriteReplacesTheKeyInPlaceOrAppendsItAndKeepsOtherLinesExactly) {
    ASSERT_EQ(0, write("PollInterval", "30"));
    expectOnly("PollInterval=30\n");
    const std::string before = "; settings\n\nName = spaced\n";
    put(before + "PollInterval=10\r\nno equals sign here\nLast=x");
    ASSERT_EQ(0, write("PollInterval", "25"));
    expectOnly(before + "PollInterval=25\r\nno equals sign here\nLast=x\n");
    ASSERT_EQ(0, write("Added", "7"));
    for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
             {"PollInterval", "5\nInjected=1"}, {"PollInterval", "5\r"}, {"Poll=Interval", "5"}, {"", "5"}}) {
        EXPECT_NE(0, write(key, value)) << key;
    }
    expectOnly(before + "PollInterval=25\r\nno equals sign here\nLast=x\nAdded=7\n");
    EXPECT_EQ("7", read("Added"));
}

// A write cut off half way (the file size limit, in a child process) reports failure; the old file
// stays whole and alone.
TEST_F(ConfigFileTest, FailedWriteKeepsTheOldFileWhole) {
    const std::string old = "# keep\nPollInterval=10\n";
    put(old);
    EXPECT_EXIT(
        {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit{};
            limit.rlim_cur = limit.rlim_max = 64;
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0 || read("PollInterval") != "10")
                std::_Exit(2);
            std::_Exit(write("PollInterval", std::string(4096, '9')) != 0 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    expectOnly(old);
}
