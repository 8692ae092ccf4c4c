// The end-to-end tests' fixture: pihost driven as a process, with the built plugin and the controller emulator,
// each test in its own folder. Every JSON document a run prints is kept, one file per test, in
// PIHOST_JSON_RECORD_DIR; the pihost_json_schema test then checks them all against docs/pihost.schema.json.
#pragma once
#include <algorithm>
#include <chrono>
#include <csignal>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <rapidjson/document.h>
#include <rapidjson/pointer.h>
#include <rapidjson/writer.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFile(const std::string& path, const std::string& text) {
    // Written beside and renamed, so the emulator never reads half a file.
    std::ofstream(path + ".new") << text;
    ASSERT_EQ(0, std::rename((path + ".new").c_str(), path.c_str()));
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

// The sample's one adapter as a device tree, with the firmware and name given as JSON string contents.
inline std::string TreeWithFirmware(const std::string& firmware, const std::string& name = "Dorv100 Dual SD (0)") {
    return R"({"TavrinStorageDeviceTree":{"@Version":1,"@Status":"OK","Adapter":[{"@Nr":0,"Name":")" + name +
           R"(","Product":"Dorv100 Dual SD","Vendor":"Kelto","FirmwareVersion":")" + firmware +
           R"(","SerialNumber":"8A3F0C21D94E4B7A9E6155C2F0B13D47","VendorID":"0x7A11","DeviceID":"0x0D10",)"
           R"("AdapterNumber":0}]}})";
}

// The value at a JSON pointer ("/objects/0/kind"): a string as it is, anything else as JSON text.
inline std::string At(const rapidjson::Value& document, const std::string& pointer) {
    const rapidjson::Value* value = rapidjson::Pointer(pointer.c_str()).Get(document);
    if (!value || value->IsString()) {
        return value ? value->GetString() : "(none)";
    }
    rapidjson::StringBuffer text;
    rapidjson::Writer<rapidjson::StringBuffer> writer(text);
    value->Accept(writer);
    return text.GetString();
}

// Each check is "pointer=value".
inline void ExpectAt(const rapidjson::Value& document, const std::vector<std::string>& checks) {
    for (const std::string& check : checks) {
        EXPECT_EQ(check.substr(check.find('=') + 1), At(document, check.substr(0, check.find('=')))) << check;
    }
}

// One JSON document (a --json run's standard output, or one line of it), which must be valid UTF-8.
inline rapidjson::Document Json(const std::string& text) {
    rapidjson::Document d;
    d.Parse<rapidjson::kParseValidateEncodingFlag>(text.c_str());
    EXPECT_TRUE(!d.HasParseError() && d.IsObject()) << text;
    return d;
}

struct Result {
    int exitCode;
    std::string out, err;
};

class Pihost : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/pihost-e2e-XXXXXX";
        ASSERT_NE(nullptr, ::mkdtemp(pattern));
        dir_ = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

    // Starts pihost in the test folder with the words of line as arguments (leading NAME=value words set its
    // environment instead; FAKE_PLUGIN names the failing plugin) and stdinText as the file it reads, unless stdin_
    // names another (a FIFO keeps it open); its standard output goes to the file stdout_ ("-" closes it).
    pid_t Start(const std::string& line, const std::string& stdinText = "") {
        std::ofstream(dir_ + "/stdin.txt") << stdinText;
        const pid_t pid = ::fork();
        if (pid != 0) {
            return pid;
        }
        if (::chdir(dir_.c_str()) != 0) {
            ::_exit(126);
        }
        for (const char* name : {"PI_DATABASE", "PI_CONFIG_DIR", "TLX_TRACE_MASK", "TLX_TRACE_FILE", "LUMO_DEVICE_TREE",
                                 "LUMO_FAULT", "LUMO_CALL_LOG"}) {
            ::unsetenv(name);
        }
        ::setenv("XDG_STATE_HOME", (dir_ + "/state").c_str(), 1); // the mirror's default place
        std::istringstream words(line);
        std::vector<std::string> args{std::istream_iterator<std::string>(words), {}};
        for (; !args.empty() && args[0][0] != '-' && args[0].find('=') != std::string::npos; args.erase(args.begin())) {
            ::setenv(args[0].substr(0, args[0].find('=')).c_str(), args[0].substr(args[0].find('=') + 1).c_str(), 1);
        }
        std::replace(args.begin(), args.end(), std::string("FAKE_PLUGIN"), std::string(FAKE_PLUGIN));
        ::dup2(::open(stdin_.c_str(), O_RDONLY), 0);
        ::dup2(::open(stdout_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
        ::dup2(::open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        if (stdout_ == "-") {
            ::close(1);
        }
        std::vector<char*> argv = {const_cast<char*>(PIHOST_EXE)};
        for (const auto& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(PIHOST_EXE, argv.data());
        ::_exit(127);
    }

    // Waits for pihost to end, at most limit; one that has not ended by then is killed and fails the test.
    Result Wait(pid_t pid, std::chrono::seconds limit = std::chrono::seconds(60)) {
        int status = 0;
        pid_t ended = 0;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while ((ended = ::waitpid(pid, &status, WNOHANG)) == 0) {
            if (std::chrono::steady_clock::now() > deadline && ::kill(pid, SIGKILL) == 0) {
                ADD_FAILURE() << "pihost did not end in time";
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        Result r{-1, ReadFile(dir_ + "/" + stdout_), ReadFile(dir_ + "/stderr.txt")};
        if (ended == pid) {
            r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        ::mkdir(PIHOST_JSON_RECORD_DIR, 0755);
        std::ofstream record(PIHOST_JSON_RECORD_DIR "/" +
                                 std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                                 ".jsonl",
                             std::ios::app);
        for (const std::string& line : Lines(r.out)) {
            if (line[0] == '{') {
                record << line << "\n";
            }
        }
        return r;
    }

    Result Run(const std::string& line, const std::string& stdinText = "") { return Wait(Start(line, stdinText)); }

    // A shell command's standard output and exit status, run in the test folder.
    Result Shell(const std::string& command) {
        const int status = std::system(("cd '" + dir_ + "' && { " + command + "; } > shell.txt").c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(dir_ + "/shell.txt"), ""};
    }

    // Waits until the file holds the text (a step pihost has reached).
    void AwaitText(const std::string& file, const std::string& text) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (ReadFile(dir_ + "/" + file).find(text) == std::string::npos) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "no '" << text << "' in " << file;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    std::string dir_;
    std::string stdin_ = "stdin.txt";
    std::string stdout_ = "stdout.txt";
};
