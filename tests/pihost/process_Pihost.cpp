// pihost driven as a process, with the built plugin and the controller emulator, each test in its own folder.
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <rapidjson/document.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "JsonRecord.h"

namespace {

const char* const PLUGIN_ID = "0x0136000000000000";
const char* const ADAPTER_ID = "0x0136000000000001";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& text) {
    // Written beside and renamed, so the emulator never reads half a file.
    const std::string temporary = path + ".new";
    std::ofstream(temporary) << text;
    ASSERT_EQ(0, std::rename(temporary.c_str(), path.c_str()));
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            lines.push_back(line);
    return lines;
}

std::string TreeWithFirmware(const std::string& firmware) {
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
    // With stdinPipe, standard input is a pipe whose writing end stays open in *stdinPipe until closed.
    pid_t Start(const std::vector<std::string>& args, const std::string& stdinText = std::string(),
                int* stdinPipe = nullptr) {
        std::ofstream(dir_ + "/stdin.txt") << stdinText;
        int pipeEnds[2] = {-1, -1};
        if (stdinPipe && ::pipe(pipeEnds) != 0)
            return -1;
        const pid_t pid = ::fork();
        if (pid != 0) {
            if (stdinPipe) {
                ::close(pipeEnds[0]);
                *stdinPipe = pipeEnds[1];
            }
            return pid;
        }
        if (stdinPipe)
            ::close(pipeEnds[1]);
        if (::chdir(dir_.c_str()) != 0)
            ::_exit(126);
        for (const char* name : {"PI_DATABASE", "PI_CONFIG_DIR", "TLX_TRACE_MASK", "TLX_TRACE_FILE", "LUMO_DEVICE_TREE",
                                 "LUMO_FAULT", "LUMO_CALL_LOG"})
            ::unsetenv(name);
        for (const auto& variable : environment_)
            ::setenv(variable.first.c_str(), variable.second.c_str(), 1);
        const int in = stdinPipe ? pipeEnds[0] : ::open("stdin.txt", O_RDONLY);
        const int out = ::open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0)
            ::_exit(126);
        ::dup2(in, 0);
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

    Result Wait(pid_t pid) {
        Result r;
        int status = 0;
        if (::waitpid(pid, &status, 0) == pid)
            r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        r.out = ReadFile(dir_ + "/stdout.txt");
        r.err = ReadFile(dir_ + "/stderr.txt");
        RecordJsonDocuments(r.out);
        return r;
    }

    Result Run(const std::vector<std::string>& args, const std::string& stdinText = std::string()) {
        return Wait(Start(args, stdinText));
    }

    // The one JSON document a --json run prints.
    rapidjson::Document Json(const Result& r) {
        rapidjson::Document d;
        d.Parse(r.out.c_str());
        EXPECT_FALSE(d.HasParseError()) << "stdout: " << r.out << "\nstderr: " << r.err;
        EXPECT_TRUE(d.IsObject());
        return d;
    }

    std::vector<std::string> AdapterCells() {
        std::vector<std::string> cells;
        sqlite3* db = nullptr;
        if (sqlite3_open_v2((dir_ + "/pihost.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_stmt* statement = nullptr;
            if (sqlite3_prepare_v2(db, "SELECT * FROM Adapter", -1, &statement, nullptr) == SQLITE_OK) {
                while (sqlite3_step(statement) == SQLITE_ROW)
                    for (int c = 0; c < sqlite3_column_count(statement); ++c)
                        if (const unsigned char* text = sqlite3_column_text(statement, c))
                            cells.emplace_back(reinterpret_cast<const char*>(text));
            }
            sqlite3_finalize(statement);
        }
        sqlite3_close(db);
        return cells;
    }

    std::string dir_;
    std::vector<std::pair<std::string, std::string>> environment_; // set in pihost's environment
};

std::vector<std::string> PropertyNames(const rapidjson::Value& object) {
    std::vector<std::string> names;
    for (const auto& p : object["properties"].GetArray())
        names.emplace_back(p["name"].GetString());
    return names;
}

bool Contains(const std::vector<std::string>& cells, const std::string& text) {
    for (const auto& cell : cells)
        if (cell == text)
            return true;
    return false;
}
} // namespace

TEST_F(Pihost, TopologyJsonOfTheBuiltInSample) {
    const Result r = Run({"--json", "topology"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    // The plugin's own line went to standard error, so standard output is one JSON document.
    EXPECT_NE(std::string::npos, r.err.find("Initialize:  adapter count is 1"));
    ASSERT_EQ(1u, Lines(r.out).size());
    const rapidjson::Document d = Json(r);
    EXPECT_STREQ("topology", d["command"].GetString());
    EXPECT_EQ(0, d["status"].GetInt());
    EXPECT_STREQ("SUCCESS", d["statusName"].GetString());
    const auto& objects = d["objects"];
    ASSERT_EQ(2u, objects.Size());

    const auto& plugin = objects[0];
    EXPECT_STREQ(PLUGIN_ID, plugin["id"].GetString());
    EXPECT_EQ(19006, plugin["type"].GetInt());
    EXPECT_STREQ(ADAPTER_ID, plugin["children"][0].GetString());
    EXPECT_EQ((std::vector<std::string>{"UNIQUE_ID", "NAME", "VERSION", "VENDOR", "POLL_INTERVAL"}),
              PropertyNames(plugin));
    const auto& poll = plugin["properties"][4];
    EXPECT_TRUE(poll["changeable"].GetBool());
    EXPECT_STREQ("range", poll["value"]["kind"].GetString());
    EXPECT_EQ(10, poll["value"]["value"].GetInt());
    EXPECT_EQ(2, poll["value"]["min"].GetInt());
    EXPECT_EQ(255, poll["value"]["max"].GetInt());
    EXPECT_STREQ("Plugin:ID=310", plugin["properties"][0]["value"]["text"].GetString());
    ASSERT_EQ(1u, plugin["operations"].Size());
    EXPECT_STREQ("GET_EVENTS", plugin["operations"][0]["name"].GetString());

    const auto& adapter = objects[1];
    EXPECT_STREQ(ADAPTER_ID, adapter["id"].GetString());
    EXPECT_EQ(19037, adapter["type"].GetInt());
    EXPECT_STREQ(PLUGIN_ID, adapter["parents"][0].GetString());
    EXPECT_EQ((std::vector<std::string>{"NAME",
                                        "VENDOR",
                                        "PRODUCT",
                                        "TYPE",
                                        "HARDWARE_TYPE",
                                        "FIRMWARE_VERSION",
                                        "SERIAL_NUMBER",
                                        "ADAPTER_NUMBER",
                                        "PCI_SEGMENT",
                                        "PCI_BUS",
                                        "PCI_DEVICE",
                                        "PCI_FUNCTION",
                                        "VENDOR_ID",
                                        "DEVICE_ID",
                                        "UNIQUE_ID",
                                        "DRIVER_NAME",
                                        "MAX_PHYSICAL_DEVICES",
                                        "MAX_LOGICAL_DRIVES",
                                        "CUR_PHYSICAL_DEVICES",
                                        "CUR_LOGICAL_DRIVES",
                                        "CUR_MAX_PHYSICAL_DEVICES",
                                        "CUR_MAX_LOGICAL_DRIVES",
                                        "STATUS"}),
              PropertyNames(adapter));
    EXPECT_STREQ("choice", adapter["properties"][22]["value"]["kind"].GetString());
    EXPECT_EQ(40024, adapter["properties"][22]["value"]["value"].GetInt());

    const auto& operations = adapter["operations"];
    ASSERT_EQ(2u, operations.Size());
    EXPECT_STREQ("SCAN_CONFIGURATION", operations[0]["name"].GetString());
    const auto& raid = operations[1];
    EXPECT_STREQ("GET_RAID_LEVEL_INFORMATION", raid["name"].GetString());
    EXPECT_EQ(4, raid["kind"].GetInt());
    ASSERT_EQ(1u, raid["levels"].Size());
    const auto& level = raid["levels"][0];
    EXPECT_EQ(40009, level["level"].GetInt());
    ASSERT_EQ(6u, level["stripeSizes"].Size());
    for (unsigned i = 0; i < 6; ++i)
        EXPECT_EQ(40049 + static_cast<int>(i), level["stripeSizes"][i].GetInt());
    EXPECT_EQ(40053, level["defaultStripeSize"].GetInt());
    EXPECT_EQ(2, level["minDrives"].GetInt());
    EXPECT_EQ(2, level["maxDrives"].GetInt());
    EXPECT_EQ(21006, level["textNumber"].GetInt());
}

TEST_F(Pihost, HumanTopologyShowsNames) {
    const Result r = Run({});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("plugin 0x0136000000000000 \"Dorv-Plugin\""));
    EXPECT_NE(std::string::npos, r.out.find("  adapter 0x0136000000000001 \"Dorv100 Dual SD (0)\""));
    EXPECT_NE(std::string::npos, r.out.find("LINUX_MD"));
    EXPECT_NE(std::string::npos, r.out.find("RAID1: stripe sizes 4K, 8K, 16K, 32K, 64K, 128K (default 64K)"));
}

TEST_F(Pihost, PollIntervalIsPersistedAndReadBack) {
    Result r = Run({"set", "poll-interval", "30"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_NE(std::string::npos, ReadFile(dir_ + "/piDorv.ini").find("PollInterval=30"));
    r = Run({"--json", "get", "plugin", "POLL_INTERVAL"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    const rapidjson::Document d = Json(r);
    EXPECT_EQ(30005, d["property"]["code"].GetInt());
    EXPECT_EQ(30, d["property"]["value"]["value"].GetInt());
}

TEST_F(Pihost, ConfigDirOptionNamesTheIniFolder) {
    ASSERT_EQ(0, ::mkdir((dir_ + "/conf").c_str(), 0755));
    const Result r = Run({"--config-dir", "conf", "set", "poll-interval", "7"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_NE(std::string::npos, ReadFile(dir_ + "/conf/piDorv.ini").find("PollInterval=7"));
}

TEST_F(Pihost, ShellScanThenEventsInOneSession) {
    const Result r = Run({"--json", "shell"}, "run adapter SCAN_CONFIGURATION\nrun plugin GET_EVENTS\nquit\n");
    ASSERT_EQ(0, r.exitCode) << r.err;
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(2u, lines.size()) << r.out;
    rapidjson::Document scan;
    scan.Parse(lines[0].c_str());
    ASSERT_FALSE(scan.HasParseError());
    EXPECT_EQ(0, scan["status"].GetInt());
    EXPECT_EQ(50007, scan["operation"]["code"].GetInt());
    rapidjson::Document events;
    events.Parse(lines[1].c_str());
    ASSERT_FALSE(events.HasParseError());
    EXPECT_STREQ("GET_EVENTS", events["operation"]["name"].GetString());
    const auto& list = events["operation"]["events"];
    ASSERT_EQ(1u, list.Size());
    EXPECT_EQ(10132, list[0]["code"].GetInt());
    EXPECT_STREQ("SCAN_CONFIGURATION", list[0]["name"].GetString());
    EXPECT_EQ(2, list[0]["code2"].GetInt());
    EXPECT_STREQ(ADAPTER_ID, list[0]["source"].GetString());
    EXPECT_STREQ("Dorv100 Dual SD (0)", list[0]["placeholder1"].GetString());
}

TEST_F(Pihost, ShellReportsBadLinesAndGoesOn) {
    const Result r = Run({"shell"}, "frobnicate\nget plugin 'NAME'\n");
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("Dorv-Plugin"));
    EXPECT_NE(std::string::npos, r.err.find("frobnicate"));
}

TEST_F(Pihost, WatchShowsAnEditedDeviceTreeAndTheDatabaseFollows) {
    WriteFile(dir_ + "/tree.json", TreeWithFirmware("1.5 (LPC), 1.7 (FX3S)"));
    const pid_t pid = Start({"--json", "--device-tree", "tree.json", "watch", "--for", "5", "--scan"});
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    WriteFile(dir_ + "/tree.json", TreeWithFirmware("1.6 (LPC), 1.8 (FX3S)"));
    const Result r = Wait(pid);
    ASSERT_EQ(0, r.exitCode) << r.err;

    bool sawChange = false;
    for (const auto& line : Lines(r.out)) {
        rapidjson::Document d;
        d.Parse(line.c_str());
        ASSERT_FALSE(d.HasParseError()) << line;
        EXPECT_STREQ("watch", d["command"].GetString());
        ASSERT_TRUE(d.HasMember("event") || d.HasMember("change")) << line;
        if (!d.HasMember("change"))
            continue;
        const auto& change = d["change"];
        if (std::string(change["property"].GetString()) == "FIRMWARE_VERSION") {
            EXPECT_STREQ(ADAPTER_ID, change["id"].GetString());
            EXPECT_STREQ("adapter", change["object"].GetString());
            EXPECT_STREQ("1.5 (LPC), 1.7 (FX3S)", change["before"]["text"].GetString());
            EXPECT_STREQ("1.6 (LPC), 1.8 (FX3S)", change["after"]["text"].GetString());
            sawChange = true;
        }
    }
    EXPECT_TRUE(sawChange) << r.out;
    EXPECT_TRUE(Contains(AdapterCells(), "1.6 (LPC), 1.8 (FX3S)"));
}

TEST_F(Pihost, WatchStopsCleanlyOnCtrlC) {
    const pid_t pid = Start({"--trace", "2", "--trace-file", "trace.log", "watch"});
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    ASSERT_EQ(0, ::kill(pid, SIGINT));
    const Result r = Wait(pid);
    EXPECT_EQ(0, r.exitCode) << r.err;
    const std::string trace = ReadFile(dir_ + "/trace.log");
    EXPECT_NE(std::string::npos, trace.find("LEAVE DeInitialize")) << trace;
}

TEST_F(Pihost, ShellWaitingForInputStopsCleanlyOnCtrlC) {
    int input = -1;
    const pid_t pid = Start({"--trace", "2", "--trace-file", "trace.log", "shell"}, std::string(), &input);
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    ASSERT_EQ(0, ::kill(pid, SIGINT));
    const Result r = Wait(pid);
    ::close(input);
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_NE(std::string::npos, ReadFile(dir_ + "/trace.log").find("LEAVE DeInitialize"));
}

TEST_F(Pihost, NoControllerLeavesThePluginAlone) {
    const Result r = Run({"--json", "--fault", "no-controller"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    const rapidjson::Document d = Json(r);
    ASSERT_EQ(1u, d["objects"].Size());
    EXPECT_EQ(19006, d["objects"][0]["type"].GetInt());
    EXPECT_EQ(0u, d["objects"][0]["children"].Size());
}

TEST_F(Pihost, DbShowsTheMirroredRows) {
    const Result r = Run({"--json", "db"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    const rapidjson::Document d = Json(r);
    const auto& tables = d["tables"];
    for (const char* name : {"Plugin", "Adapter", "PD", "LD", "PD_LD"})
        EXPECT_TRUE(tables.HasMember(name)) << name;
    ASSERT_EQ(1u, tables["Adapter"].Size());
    bool firmware = false;
    for (const auto& cell : tables["Adapter"][0].GetArray())
        firmware = firmware || (cell.IsString() && std::string(cell.GetString()) == "1.5 (LPC), 1.7 (FX3S)");
    EXPECT_TRUE(firmware);
    EXPECT_EQ(1u, tables["Plugin"].Size());
    EXPECT_EQ(0u, tables["LD"].Size());
}

TEST_F(Pihost, PluginStatusesExitWithOne) {
    Result r = Run({"get", "0x0136000000000009", "NAME"});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_NE(std::string::npos, r.err.find("INVALID_OBJECT_ID (20008)")) << r.err;
    r = Run({"--json", "run", "plugin", "SCAN_CONFIGURATION"});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_EQ(20005, Json(r)["status"].GetInt());
    r = Run({"get", "plugin", "SERIAL_NUMBER"});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_NE(std::string::npos, r.err.find("GENERAL (20000)")) << r.err;
}

TEST_F(Pihost, BadInputsExitWithTwo) {
    std::ofstream(dir_ + "/not-a-library.so") << "plain text";
    ASSERT_EQ(0, ::mkdir((dir_ + "/folder.db").c_str(), 0755));
    const std::vector<std::vector<std::string>> bad = {
        {"frobnicate"},
        {"get", "plugin", "NO_SUCH_PROPERTY"},
        {"run", "adapter", "NO_SUCH_OPERATION"},
        {"properties", "nonsense"},
        {"properties", "adapter:7"},
        {"set", "poll-interval", "1"},
        {"set", "poll-interval", "256"},
        {"set", "poll-interval", "ten"},
        {"db", "NoTable"},
        {"--plugin", "/nonexistent/libpiDorv.so"},
        {"--plugin", "not-a-library.so"},
        {"--device-tree", "/nonexistent/tree.json"},
        {"--db", "no/such/folder/x.db"},
        {"--db", "folder.db"},
        {"--fault", "no-controller", "get", "adapter", "NAME"},
    };
    for (const auto& args : bad) {
        const Result r = Run(args);
        std::string line;
        for (const auto& a : args)
            line += a + " ";
        EXPECT_EQ(2, r.exitCode) << line << "\n" << r.err;
        EXPECT_NE(std::string::npos, r.err.find("pihost")) << line << "\n" << r.err;
    }
}

TEST_F(Pihost, ExplicitPluginPathIsUsed) {
    const Result r = Run({"--plugin", PIDORV_PLUGIN, "get", "plugin", "NAME"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("Dorv-Plugin"));
}

// The lifecycle holds whatever the plugin does: DeInitialize after a failed Initialize, releaseIf after an
// exception, and the plugin's own output kept off standard output with --json.
class FailingPlugin : public Pihost {
protected:
    Result RunWith(const std::string& mode, std::vector<std::string> args) {
        environment_ = {{"FAKE_PLUGIN_MODE", mode}, {"FAKE_PLUGIN_LOG", dir_ + "/calls.log"}};
        args.insert(args.begin(), {"--plugin", FAKE_PLUGIN});
        return Run(args);
    }
    std::vector<std::string> Calls() { return Lines(ReadFile(dir_ + "/calls.log")); }
};

TEST_F(FailingPlugin, WorkingFakeRunsTheWholeLifecycle) {
    const Result r = RunWith("", {"--json", "topology"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ((std::vector<std::string>{"createIf", "Execute 1", "Execute 4", "Execute 3", "releaseIf"}), Calls());
    EXPECT_STREQ("0x0000000000000042", Json(r)["objects"][0]["id"].GetString());
    EXPECT_NE(std::string::npos, r.err.find("fake: Initialize"));
}

TEST_F(FailingPlugin, CreateIfFailureIsAPluginStatus) {
    const Result r = RunWith("create-fails", {"topology"});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_NE(std::string::npos, r.err.find("MEMORY_ERROR (20007)")) << r.err;
    EXPECT_EQ((std::vector<std::string>{"createIf"}), Calls());
}

TEST_F(FailingPlugin, FailedInitializeIsStillDeInitialized) {
    const Result r = RunWith("init-fails", {"--json", "topology"});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_EQ((std::vector<std::string>{"createIf", "Execute 1", "Execute 3", "releaseIf"}), Calls());
    const rapidjson::Document d = Json(r);
    EXPECT_EQ(20001, d["status"].GetInt());
    EXPECT_STREQ("NO_SUPPORTED_HARDWARE", d["statusName"].GetString());
}

TEST_F(FailingPlugin, ExceptionFromThePluginStillReleasesIt) {
    const Result r = RunWith("throws", {"topology"});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_NE(std::string::npos, r.err.find("fake failure")) << r.err;
    EXPECT_EQ((std::vector<std::string>{"createIf", "Execute 1", "Execute 4", "Execute 3", "releaseIf"}), Calls());
}

TEST_F(FailingPlugin, ShellSessionStartsTheWorkerOnce) {
    environment_ = {{"FAKE_PLUGIN_LOG", dir_ + "/calls.log"}};
    const Result r = Run({"--plugin", FAKE_PLUGIN, "shell"}, "topology\ntopology\n");
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ((std::vector<std::string>{"createIf", "Execute 1", "Execute 2", "Execute 4", "Execute 4", "Execute 3",
                                        "releaseIf"}),
              Calls());
}
