// The end-to-end tests' fixture: pihost driven as a process, with the built plugin and the controller emulator,
// each test in its own folder.
#pragma once
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <rapidjson/document.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "JsonRecord.h"

const char* const PLUGIN_ID = "0x0136000000000000";
const char* const ADAPTER_ID = "0x0136000000000001";

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteFile(const std::string& path, const std::string& text) {
    // Written beside and renamed, so the emulator never reads half a file.
    const std::string temporary = path + ".new";
    std::ofstream(temporary) << text;
    ASSERT_EQ(0, std::rename(temporary.c_str(), path.c_str()));
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            lines.push_back(line);
    return lines;
}

inline std::string TreeWithFirmware(const std::string& firmware) {
    return R"json({"TavrinStorageDeviceTree":{"@Version":1,"@Status":"OK","Adapter":[{"@Nr":0,)json"
           R"json("Name":"Dorv100 Dual SD (0)","Product":"Dorv100 Dual SD","Vendor":"Kelto",)json"
           R"json("FirmwareVersion":")json" +
           firmware +
           R"json(","SerialNumber":"8A3F0C21D94E4B7A9E6155C2F0B13D47","VendorID":"0x7A11","DeviceID":"0x0D10",)json"
           R"json("AdapterNumber":0}]}})json";
}

struct Result {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class Pihost : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/pihost-e2e-XXXXXX";
        ASSERT_NE(nullptr, ::mkdtemp(pattern));
        dir_ = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

    // Starts pihost in the test folder with its output in files; stdinText goes to its standard input.
    // With stdinPipe, standard input is a pipe whose writing end stays open in *stdinPipe until closed; with
    // stdoutPipe, standard output is a pipe whose reading end is returned there. stdout_ may name another file
    // for standard output ("-" closes it).
    pid_t Start(const std::vector<std::string>& args, const std::string& stdinText = std::string(),
                int* stdinPipe = nullptr, int* stdoutPipe = nullptr) {
        std::ofstream(dir_ + "/stdin.txt") << stdinText;
        int inEnds[2] = {-1, -1};
        int outEnds[2] = {-1, -1};
        if ((stdinPipe && ::pipe(inEnds) != 0) || (stdoutPipe && ::pipe(outEnds) != 0))
            return -1;
        const pid_t pid = ::fork();
        if (pid != 0) {
            if (stdinPipe) {
                ::close(inEnds[0]);
                *stdinPipe = inEnds[1];
            }
            if (stdoutPipe) {
                ::close(outEnds[1]);
                *stdoutPipe = outEnds[0];
            }
            return pid;
        }
        // The child keeps only its own ends, so a closed end in the test is seen as closed.
        for (int unused : {inEnds[1], outEnds[0]})
            if (unused >= 0)
                ::close(unused);
        if (::chdir(dir_.c_str()) != 0)
            ::_exit(126);
        for (const char* name : {"PI_DATABASE", "PI_CONFIG_DIR", "TLX_TRACE_MASK", "TLX_TRACE_FILE", "LUMO_DEVICE_TREE",
                                 "LUMO_FAULT", "LUMO_CALL_LOG"})
            ::unsetenv(name);
        // The mirror's default place, inside the test folder.
        ::setenv("XDG_STATE_HOME", (dir_ + "/state").c_str(), 1);
        for (const auto& variable : environment_)
            ::setenv(variable.first.c_str(), variable.second.c_str(), 1);
        const int in = stdinPipe ? inEnds[0] : ::open("stdin.txt", O_RDONLY);
        const int out = stdoutPipe       ? outEnds[1]
                        : stdout_ == "-" ? -1
                                         : ::open(stdout_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || (out < 0 && stdout_ != "-") || err < 0)
            ::_exit(126);
        ::dup2(in, 0);
        if (out < 0)
            ::close(1);
        else
            ::dup2(out, 1);
        ::dup2(err, 2);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(PIHOST_EXE));
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(PIHOST_EXE, argv.data());
        ::_exit(127);
    }

    // Waits for pihost to end, at most limit; one that has not ended by then is killed and fails the test.
    Result Wait(pid_t pid, std::chrono::seconds limit = std::chrono::seconds(60)) {
        Result r;
        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        pid_t ended = 0;
        while ((ended = ::waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (ended == 0) {
            ADD_FAILURE() << "pihost did not end in time";
            ::kill(pid, SIGKILL);
            ended = ::waitpid(pid, &status, 0);
        }
        if (ended == pid)
            r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        r.out = ReadFile(dir_ + "/" + stdout_);
        r.err = ReadFile(dir_ + "/stderr.txt");
        RecordJsonDocuments(r.out);
        return r;
    }

    Result Run(const std::vector<std::string>& args, const std::string& stdinText = std::string()) {
        return Wait(Start(args, stdinText));
    }

    // Waits until the file holds the text (a step pihost has reached).
    void AwaitText(const std::string& file, const std::string& text) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (ReadFile(dir_ + "/" + file).find(text) == std::string::npos) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "no '" << text << "' in " << file;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    // The one JSON document a --json run prints, which must be valid UTF-8.
    rapidjson::Document Json(const Result& r) {
        rapidjson::Document d;
        d.Parse<rapidjson::kParseValidateEncodingFlag>(r.out.c_str());
        EXPECT_FALSE(d.HasParseError()) << "stdout: " << r.out << "\nstderr: " << r.err;
        EXPECT_TRUE(d.IsObject());
        return d;
    }

    std::string dir_;
    std::string stdout_ = "stdout.txt";
    std::vector<std::pair<std::string, std::string>> environment_; // set in pihost's environment
};
