#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include "pi/CConfigFile.h"

namespace fs = std::filesystem;

namespace {

class ConfigFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "pi-config-XXXXXX").string();
        ASSERT_NE(nullptr, ::mkdtemp(pattern.data()));
        m_Dir = pattern;
        const char* old = std::getenv("PI_CONFIG_DIR");
        m_HadOld = old != nullptr;
        if (old)
            m_Old = old;
        ::setenv("PI_CONFIG_DIR", m_Dir.c_str(), 1);
        m_File.SetFileName("piDorv.ini");
    }
    void TearDown() override {
        if (m_HadOld)
            ::setenv("PI_CONFIG_DIR", m_Old.c_str(), 1);
        else
            ::unsetenv("PI_CONFIG_DIR");
        std::error_code error;
        fs::permissions(m_Dir, fs::perms::owner_all, error);
        fs::remove_all(m_Dir, error);
    }

    fs::path path() const { return m_Dir / "piDorv.ini"; }
    void put(const std::string& content) const { std::ofstream(path(), std::ios::binary) << content; }
    std::string contents() const {
        std::ifstream in(path(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(m_Dir))
            names.push_back(entry.path().filename().string());
        return names;
    }

    fs::path m_Dir;
    bool m_HadOld = false;
    std::string m_Old;
    PI::CConfigFile m_File;
};

// Child body: exits 0 when a write beyond a 64-byte file size limit reports failure.
[[noreturn]] void writeUnderFileSizeLimit(PI::CConfigFile& file) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max = 64;
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
        std::_Exit(2);
    std::_Exit(file.WriteKeyValue("PollInterval", std::string(4096, '9'), -1, -1) != 0 ? 0 : 1);
}

} // namespace

TEST_F(ConfigFileTest, PathFollowsTheEnvironmentAtEachCall) {
    EXPECT_EQ(path().string(), m_File.GetPath());
    ::setenv("PI_CONFIG_DIR", "/elsewhere", 1);
    EXPECT_EQ("/elsewhere/piDorv.ini", m_File.GetPath());
    ::unsetenv("PI_CONFIG_DIR");
    EXPECT_EQ("piDorv.ini", m_File.GetPath());
}

TEST_F(ConfigFileTest, MissingFileOrKeyIsNonZeroAndLeavesTheValue) {
    std::string value = "untouched";
    EXPECT_NE(0, m_File.ReadKeyValue("PollInterval", value, -1, -1));
    EXPECT_EQ("untouched", value);

    put("Other=1\n");
    EXPECT_NE(0, m_File.ReadKeyValue("PollInterval", value, -1, -1));
    EXPECT_EQ("untouched", value);
}

TEST_F(ConfigFileTest, WriteCreatesTheFileAndReadsBack) {
    ASSERT_EQ(0, m_File.WriteKeyValue("PollInterval", "30", -1, -1));
    EXPECT_EQ("PollInterval=30\n", contents());
    std::string value;
    ASSERT_EQ(0, m_File.ReadKeyValue("PollInterval", value, -1, -1));
    EXPECT_EQ("30", value);

    ASSERT_EQ(0, m_File.WriteKeyValue("PollInterval", "", -1, -1));
    ASSERT_EQ(0, m_File.ReadKeyValue("PollInterval", value, -1, -1));
    EXPECT_EQ("", value);
}

TEST_F(ConfigFileTest, KeysMatchExactlyAndValuesRunToTheLineEnd) {
    put("# comment = not a key\n"
        "PollIntervalX=1\n"
        " PollInterval=2\n"
        "PollInterval=a=b c \r\n"
        "PollInterval=3\n");
    std::string value;
    ASSERT_EQ(0, m_File.ReadKeyValue("PollInterval", value, -1, -1));
    EXPECT_EQ("a=b c ", value);
    ASSERT_EQ(0, m_File.ReadKeyValue(" PollInterval", value, -1, -1));
    EXPECT_EQ("2", value);
    EXPECT_NE(0, m_File.ReadKeyValue("pollinterval", value, -1, -1));
}

TEST_F(ConfigFileTest, WriteReplacesInPlaceAndKeepsOtherLinesExactly) {
    put("; settings\n"
        "\n"
        "Name = spaced\n"
        "PollInterval=10\r\n"
        "no equals sign here\n"
        "Last=x");
    ASSERT_EQ(0, m_File.WriteKeyValue("PollInterval", "25", -1, -1));
    EXPECT_EQ("; settings\n"
              "\n"
              "Name = spaced\n"
              "PollInterval=25\r\n"
              "no equals sign here\n"
              "Last=x\n",
              contents());

    ASSERT_EQ(0, m_File.WriteKeyValue("Added", "7", -1, -1));
    EXPECT_EQ("; settings\n\nName = spaced\nPollInterval=25\r\nno equals sign here\nLast=x\nAdded=7\n", contents());
    EXPECT_EQ(std::vector<std::string>{"piDorv.ini"}, entries());
}

TEST_F(ConfigFileTest, KeyOrValueThatWouldBreakTheFormatIsRefused) {
    put("PollInterval=10\n");
    EXPECT_NE(0, m_File.WriteKeyValue("PollInterval", "5\nInjected=1", -1, -1));
    EXPECT_NE(0, m_File.WriteKeyValue("Poll=Interval", "5", -1, -1));
    EXPECT_NE(0, m_File.WriteKeyValue("", "5", -1, -1));
    EXPECT_EQ("PollInterval=10\n", contents());
}

TEST_F(ConfigFileTest, WriteIntoMissingDirectoryFails) {
    ::setenv("PI_CONFIG_DIR", (m_Dir / "absent").c_str(), 1);
    EXPECT_NE(0, m_File.WriteKeyValue("PollInterval", "30", -1, -1));
    EXPECT_FALSE(fs::exists(m_Dir / "absent"));
}

// The write runs in a child process that cannot write into the directory (root drops to an
// unprivileged user there, since root ignores permission bits).
TEST_F(ConfigFileTest, WriteIntoReadOnlyDirectoryFailsAndKeepsTheOldFile) {
    const std::string old = "# keep\nPollInterval=10\n";
    put(old);
    fs::permissions(path(),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(m_Dir, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                               fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    EXPECT_EXIT(
        {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                std::_Exit(2);
            std::string value;
            if (m_File.ReadKeyValue("PollInterval", value, -1, -1) != 0 || value != "10")
                std::_Exit(3); // the child must still see the file
            std::_Exit(m_File.WriteKeyValue("PollInterval", "30", -1, -1) != 0 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    fs::permissions(m_Dir, fs::perms::owner_all);
    EXPECT_EQ(old, contents());
    EXPECT_EQ(std::vector<std::string>{"piDorv.ini"}, entries());
}

// A write that breaks off half way (file size limit) must leave the old file whole and no
// temporary file behind.
TEST_F(ConfigFileTest, FailedWriteLeavesNoHalfWrittenFile) {
    const std::string old = "# keep\nPollInterval=10\n";
    put(old);
    EXPECT_EXIT(writeUnderFileSizeLimit(m_File), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(old, contents());
    EXPECT_EQ(std::vector<std::string>{"piDorv.ini"}, entries());
}

TEST_F(ConfigFileTest, ConcurrentWritersLoseNoKey) {
    const int kThreads = 4;
    const int kKeys = 20;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            PI::CConfigFile file;
            file.SetFileName("piDorv.ini");
            for (int k = 0; k < kKeys; ++k)
                EXPECT_EQ(0, file.WriteKeyValue("K" + std::to_string(t) + "_" + std::to_string(k), "v", -1, -1));
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    std::string value;
    for (int t = 0; t < kThreads; ++t)
        for (int k = 0; k < kKeys; ++k)
            EXPECT_EQ(0, m_File.ReadKeyValue("K" + std::to_string(t) + "_" + std::to_string(k), value, -1, -1));
}
