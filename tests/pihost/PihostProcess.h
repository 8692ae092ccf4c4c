// The end-to-end tests' fixture: pihost driven as a process, with the built plugin and the controller emulator,
// each test in its own folder. Every JSON document a run prints is kept, one file per test, in
// PIHOST_JSON_RECORD_DIR; the pihost_json_schema test then checks them all against docs/pihost.schema.json.
#pragma once
#include <chrono>
#include <csignal>
#include <fstream>
#include <iterator>
#include <regex>
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

    // Starts pihost in the test folder through the shell, with the words of line as arguments (leading NAME=value
    // words set its environment instead; FAKE_PLUGIN names the failing plugin) and stdinText as the file it reads,
    // unless stdin_ names another (a FIFO keeps it open); its standard output goes to the file stdout_ ("-" closes it).
    pid_t Start(const std::string& line, const std::string& stdinText = "") {
        std::ofstream(dir_ + "/stdin.txt") << stdinText;
        const std::string command =
            "cd '" + dir_ + "' && unset PI_DATABASE PI_CONFIG_DIR TLX_TRACE_MASK TLX_TRACE_FILE LUMO_DEVICE_TREE " +
            "LUMO_FAULT LUMO_CALL_LOG && export XDG_STATE_HOME='" + dir_ + "/state' && " + // the mirror's default place
            std::regex_replace(std::regex_replace(line, std::regex("\\bFAKE_PLUGIN\\b"), FAKE_PLUGIN),
                               std::regex("^(\\w+=\\S* )*"), "$&exec " PIHOST_EXE " ") +
            " < " + stdin_ + (stdout_ == "-" ? " >&-" : " > " + stdout_) + " 2> stderr.txt";
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
            ::_exit(127);
        }
        return pid;
    }

    // Waits for pihost to end (one that never ends runs into the test's time limit).
    Result Wait(pid_t pid) {
        int status = 0;
        EXPECT_EQ(pid, ::waitpid(pid, &status, 0));
        const Result r{WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), ReadFile(dir_ + "/" + stdout_),
                       ReadFile(dir_ + "/stderr.txt")};
        ::mkdir(PIHOST_JSON_RECORD_DIR, 0755);
        std::ofstream record(PIHOST_JSON_RECORD_DIR "/" +
                                 std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                                 ".jsonl",
                             std::ios::app);
        record << (r.out.rfind('{', 0) == 0 ? r.out : ""); // what --json printed
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
