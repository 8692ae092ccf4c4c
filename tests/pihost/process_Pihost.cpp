// pihost driven as a process, with the built plugin and the controller emulator, each test in its own folder.
#include "PihostProcess.h"

namespace {

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
    EXPECT_EQ(0u, d["warnings"].Size());
    EXPECT_FALSE(d.HasMember("error"));
    const auto& objects = d["objects"];
    ASSERT_EQ(2u, objects.Size());

    const auto& plugin = objects[0];
    EXPECT_STREQ(PLUGIN_ID, plugin["id"].GetString());
    EXPECT_STREQ("plugin", plugin["kind"].GetString());
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
    EXPECT_STREQ("adapter", adapter["kind"].GetString());
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
    const auto& status = adapter["properties"][22]["value"];
    EXPECT_EQ(40024, status["value"].GetInt());
    EXPECT_STREQ("OK", status["valueName"].GetString());
    EXPECT_STREQ("FAILED", status["choiceNames"][2].GetString());

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
    EXPECT_STREQ("64K", level["defaultStripeSizeName"].GetString());
    EXPECT_STREQ("4K", level["stripeSizeNames"][0].GetString());
    EXPECT_EQ(2, level["minDrives"].GetInt());
    EXPECT_EQ(2, level["maxDrives"].GetInt());
    EXPECT_EQ(21006, level["textNumber"].GetInt());
}

TEST_F(Pihost, HumanTopologyShowsNames) {
    const Result r = Run({});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("plugin 0x0136000000000000        \"Dorv-Plugin\""));
    EXPECT_NE(std::string::npos, r.out.find("adapter 0x0136000000000001     \"Dorv100 Dual SD (0)\""));
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
    EXPECT_STREQ(PLUGIN_ID, d["object"]["id"].GetString());
    EXPECT_STREQ("plugin", d["object"]["kind"].GetString());
    EXPECT_EQ(30, d["property"]["value"]["value"].GetInt());
}

TEST_F(Pihost, ConfigDirOptionNamesTheIniFolderAndAFailedSaveSaysWhy) {
    ASSERT_EQ(0, ::mkdir((dir_ + "/conf").c_str(), 0755));
    Result r = Run({"--config-dir", "conf", "set", "poll-interval", "7"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_NE(std::string::npos, ReadFile(dir_ + "/conf/piDorv.ini").find("PollInterval=7"));
    // A folder where the file should be: the plugin cannot save, and pihost says where, why and what holds.
    ASSERT_EQ(0, ::mkdir((dir_ + "/bad").c_str(), 0755));
    ASSERT_EQ(0, ::mkdir((dir_ + "/bad/piDorv.ini").c_str(), 0755));
    r = Run({"--config-dir", "bad", "set", "poll-interval", "7"});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_NE(std::string::npos, r.err.find("POLL_INTERVAL is 7 s for this run, but the configuration file '" + dir_ +
                                            "/bad/piDorv.ini' could not be saved: it is a folder"))
        << r.err;
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

TEST_F(Pihost, ShellAnswersEveryLineAndExitsWithTheWorstStatus) {
    const Result r = Run({"--json", "shell"}, "frobnicate\nget plugin 'NAME'\nget adapter POLL_INTERVAL\n'\n");
    EXPECT_EQ(2, r.exitCode) << r.err;
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(4u, lines.size()) << r.out;
    const char* const kinds[] = {"usage", nullptr, "plugin", "usage"};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        rapidjson::Document d;
        d.Parse(lines[i].c_str());
        ASSERT_FALSE(d.HasParseError()) << lines[i];
        EXPECT_TRUE(d["warnings"].IsArray()) << lines[i];
        if (kinds[i])
            EXPECT_STREQ(kinds[i], d["error"]["kind"].GetString()) << lines[i];
        else
            EXPECT_STREQ("Dorv-Plugin", d["property"]["value"]["text"].GetString()) << lines[i];
    }
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

// Ctrl-C, and SIGTERM as systemd stops the service, end watch as it is meant to end (0); any other command ends
// with 130 and prints no result, after de-initialising the plugin. A second Ctrl-C during a slow controller call
// ends pihost at once.
TEST_F(Pihost, StopRequests) {
    struct Case {
        std::vector<std::string> args;
        const char* awaitFile;
        const char* awaitText;
        int signal;
        int signals;
        int exitCode;
    };
    const Case cases[] = {
        {{"watch"}, "stderr.txt", "pihost: watching", SIGINT, 1, 0},
        // Without an adapter, watch's first document is the warning alone.
        {{"--json", "--fault", "no-controller", "watch"}, "stderr.txt", "no adapter seen", SIGTERM, 1, 0},
        {{"--json", "shell"}, "stderr.txt", "adapter count", SIGINT, 1, 130},
        {{"--json", "--fault", "delay:1000", "topology"}, "calls.log", "Lumo_PemraRequest", SIGINT, 1, 130},
        {{"--json", "--fault", "delay:3600000", "topology"}, "calls.log", "Lumo_PemraRequest", SIGINT, 2, 130},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back() + " " + std::to_string(c.signals));
        // The awaited text must come from this run.
        for (const char* file : {"trace.log", "calls.log", "stderr.txt"})
            ::unlink((dir_ + "/" + file).c_str());
        environment_ = {{"LUMO_CALL_LOG", dir_ + "/calls.log"}};
        std::vector<std::string> args = {"--trace", "2", "--trace-file", "trace.log"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        int input = -1;
        const pid_t pid = Start(args, std::string(), &input);
        ASSERT_GT(pid, 0);
        AwaitText(c.awaitFile, c.awaitText);
        ASSERT_EQ(0, ::kill(pid, c.signal));
        if (c.signals == 2) {
            AwaitText("stderr.txt", "stopping after the current plugin call");
            ASSERT_EQ(0, ::kill(pid, SIGINT));
        }
        const Result r = Wait(pid);
        ::close(input);
        EXPECT_EQ(c.exitCode, r.exitCode) << r.err;
        if (c.exitCode != 0) {
            EXPECT_EQ("", r.out);
        } else if (c.signal == SIGTERM) {
            EXPECT_NE(std::string::npos, r.out.find("\"warnings\":[\"no adapter seen: ")) << r.out;
        }
        // Only the stop at once leaves the plugin as it is.
        EXPECT_EQ(c.signals == 1, ReadFile(dir_ + "/trace.log").find("LEAVE DeInitialize") != std::string::npos);
    }
}

// No adapter: the topology exits 3 with a warning naming what pihost can see of the cause.
TEST_F(Pihost, NoAdapterIsWarnedWithItsCause) {
    ASSERT_EQ(0, ::mkdir((dir_ + "/folder").c_str(), 0755));
    std::ofstream(dir_ + "/empty.json") << "  \n";
    std::ofstream(dir_ + "/garbage.json") << "{\"TavrinStorageDeviceTree\": [";
    std::ofstream(dir_ + "/huge.json") << TreeWithFirmware(std::string(70000, 'x'));
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--fault", "no-controller"}, "asked for the fault no-controller"},
        {{"--device-tree", "empty.json"}, "'empty.json' is empty"},
        {{"--device-tree", "garbage.json"}, "'garbage.json' is not JSON"},
        {{"--device-tree", "huge.json"}, "over the 64,000 bytes the plugin accepts"},
        {{}, "'missing.json' does not exist"},
        {{}, "'folder' cannot be read"},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        // The last two through the environment, as the option refuses what is not a file.
        environment_.clear();
        if (i == 4 || i == 5)
            environment_ = {{"LUMO_DEVICE_TREE", i == 4 ? "missing.json" : "folder"}};
        std::vector<std::string> args = cases[i].first;
        args.push_back("--json");
        const Result r = Run(args);
        EXPECT_EQ(3, r.exitCode) << cases[i].second;
        EXPECT_NE(std::string::npos, r.err.find("warning: no adapter seen: ")) << r.err;
        const rapidjson::Document d = Json(r);
        ASSERT_EQ(1u, d["warnings"].Size()) << r.out;
        EXPECT_NE(std::string::npos, std::string(d["warnings"][0].GetString()).find(cases[i].second)) << r.out;
        ASSERT_EQ(1u, d["objects"].Size());
        EXPECT_EQ(19006, d["objects"][0]["type"].GetInt());
    }
}

// Control characters from the controller are escaped on the terminal, and JSON stays valid UTF-8.
TEST_F(Pihost, ControllerTextIsUntrusted) {
    WriteFile(dir_ + "/tree.json", TreeWithFirmware("1.5\\u001b]0;owned\\u0007 \xff"));
    Result r = Run({"--device-tree", "tree.json", "get", "adapter", "FIRMWARE_VERSION"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("1.5\\x1b]0;owned\\x07 \\xff")) << r.out;
    r = Run({"--device-tree", "tree.json", "--json", "get", "adapter", "FIRMWARE_VERSION"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_STREQ("1.5\x1b]0;owned\x07 \xef\xbf\xbd", Json(r)["property"]["value"]["text"].GetString());
}

TEST_F(Pihost, DbReadsTheMirrorWithoutThePlugin) {
    ASSERT_EQ(0, Run({"topology"}).exitCode);
    const std::string mirror = dir_ + "/state/pidorv/pihost.db";
    ASSERT_EQ(0, ::chmod(mirror.c_str(), 0444));
    // A loaded plugin would rebuild the tables, and with this fault find no adapter to put back.
    const Result r = Run({"--fault", "no-controller", "--json", "db"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ(std::string::npos, r.err.find("Initialize")) << r.err;
    const rapidjson::Document d = Json(r);
    const auto& tables = d["tables"];
    for (const char* name : {"Plugin", "Adapter", "PD", "LD", "PD_LD"})
        EXPECT_TRUE(tables.HasMember(name)) << name;
    ASSERT_EQ(1u, tables["Adapter"].Size());
    // The cells in the order of the column names beside them.
    const auto& columns = d["columns"]["Adapter"];
    const auto& row = tables["Adapter"][0];
    ASSERT_EQ(row.Size(), columns.Size());
    rapidjson::SizeType firmware = 0;
    while (firmware < columns.Size() && std::string(columns[firmware].GetString()) != "FirmwareVersion")
        ++firmware;
    ASSERT_LT(firmware, columns.Size());
    EXPECT_STREQ("1.5 (LPC), 1.7 (FX3S)", row[firmware].GetString());
    EXPECT_EQ(1u, tables["Plugin"].Size());
    EXPECT_EQ(0u, tables["LD"].Size());
}

// --db, else PI_DATABASE, else $XDG_STATE_HOME/pidorv/pihost.db (the folder made on first use); :memory: keeps none.
TEST_F(Pihost, MirrorPlaces) {
    ASSERT_EQ(0, Run({"get", "plugin", "NAME"}).exitCode);
    EXPECT_FALSE(AdapterCells().empty());
    environment_ = {{"PI_DATABASE", "env.db"}};
    ASSERT_EQ(0, Run({"get", "plugin", "NAME"}).exitCode);
    EXPECT_EQ(0, ::access((dir_ + "/env.db").c_str(), F_OK));
    ASSERT_EQ(0, Run({"--db", ":memory:", "get", "plugin", "NAME"}).exitCode);
    EXPECT_NE(0, ::access((dir_ + "/:memory:").c_str(), F_OK));
}

TEST_F(Pihost, PluginStatusesExitWithOne) {
    Result r = Run({"get", "0x0136000000000009", "NAME"});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_NE(std::string::npos, r.err.find("INVALID_OBJECT_ID (20008)")) << r.err;
    r = Run({"--json", "run", "plugin", "SCAN_CONFIGURATION"});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_EQ(20005, Json(r)["status"].GetInt());
    EXPECT_STREQ("plugin", Json(r)["error"]["kind"].GetString());
    r = Run({"get", "adapter", "POLL_INTERVAL"});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_NE(std::string::npos, r.err.find("get: adapter 0x0136000000000001 \"Dorv100 Dual SD (0)\" has no property "
                                            "POLL_INTERVAL (GetProperty returned GENERAL (20000))"))
        << r.err;
}

// Bad usage and input exit with 2, with the error in context on standard error and, with --json, as the one
// document on standard output.
TEST_F(Pihost, BadInputsExitWithTwo) {
    std::ofstream(dir_ + "/not-a-library.so") << "plain text";
    std::ofstream(dir_ + "/garbage.db") << std::string(200, 'x');
    ASSERT_EQ(0, ::mkdir((dir_ + "/folder.db").c_str(), 0755));
    sqlite3* other = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open((dir_ + "/other.db").c_str(), &other));
    sqlite3_exec(other, "CREATE TABLE Adapter(x); CREATE TABLE Notes(y)", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    const char* const kinds =
        "the kinds are no-controller, connect-fails, empty-answer, garbage, truncate:N, status:N, "
        "delay:MS";
    const std::vector<std::tuple<std::vector<std::string>, const char*, std::string>> bad = {
        {{"frobnicate"}, "usage", "frobnicate"},
        {{"topology", "one", "two", "three"}, "usage", "not expected: one two three"},
        {{"get", "adapter", "FOO"}, "usage", "unknown property name 'FOO'"},
        {{"get", "adapter", "check"}, "usage", "unknown property name 'check'"}, // a word, not the command
        {{"run", "adapter", "NO_SUCH_OPERATION"}, "usage", "NO_SUCH_OPERATION"},
        {{"properties", "nonsense"}, "usage", "unknown object 'nonsense'"},
        {{"set", "poll-interval", "256"}, "usage", "out of range (2 to 255 seconds)"},
        {{"db", "NoTable"}, "usage", "unknown table 'NoTable'"},
        {{"--fault", "bogus"}, "usage", std::string("unknown fault 'bogus'; ") + kinds},
        {{"--fault", "garbage,truncate:abc"}, "usage", std::string("bad argument in 'truncate:abc'; ") + kinds},
        {{"--fault", "delay:-5"}, "usage", "bad argument in 'delay:-5'"},
        {{"--fault", "status:"}, "usage", "bad argument in 'status:'"},
        {{"watch", "--for", "nan"}, "usage", "--for nan: not a number of seconds"},
        {{"watch", "--for", "inf"}, "usage", "--for inf: not a finite number"},
        {{"watch", "--for", "0"}, "usage", "--for 0: must be more than 0 seconds"},
        {{"watch", "--for", "-5"}, "usage", "--for -5: a time to watch cannot be negative"},
        {{"watch", "--for", "1e300"}, "usage", "--for 1e300: more than the maximum of 31536000 seconds"},
        {{"--config-dir", "no-such-folder"}, "usage", "no-such-folder"},
        {{"--trace-file", "no/such/folder/trace.log"}, "usage", "cannot open 'no/such/folder/trace.log'"},
        {{"--plugin", "/nonexistent/libpiDorv.so"}, "usage", "/nonexistent/libpiDorv.so"},
        {{"--plugin", "not-a-library.so"}, "plugin", "cannot load plugin 'not-a-library.so'"},
        {{"--device-tree", "/nonexistent/tree.json"}, "usage", "/nonexistent/tree.json"},
        {{"--db", "no/such/folder/x.db"}, "input", "no/such/folder/x.db"},
        {{"--db", "folder.db"}, "input", "folder.db"},
        {{"properties", "adapter:7"}, "input", "no adapter:7 (the plugin shows 1 adapter)"},
        {{"--fault", "empty-answer", "get", "adapter", "NAME"}, "input", "the plugin shows no adapter"},
        {{"--db", "garbage.db", "db"}, "input", "'garbage.db' is not a pihost mirror"},
        {{"--db", "other.db", "db"},
         "input",
         "'other.db' is not a pihost mirror: it has no table Plugin, PD, LD, PD_LD"},
        {{"--db", "absent.db", "db"}, "input", "no mirror at 'absent.db'"},
        {{"--db", ":memory:", "db"}, "input", "an in-memory mirror ends with the plugin"},
    };
    for (const auto& c : bad) {
        std::vector<std::string> args = std::get<0>(c);
        args.push_back("--json");
        const Result r = Run(args);
        SCOPED_TRACE(args[0] + " " + args[1] + "\n" + r.err);
        EXPECT_EQ(2, r.exitCode);
        EXPECT_NE(std::string::npos, r.err.find("pihost: "));
        ASSERT_EQ(1u, Lines(r.out).size()) << r.out;
        const rapidjson::Document d = Json(r);
        EXPECT_NE(0, d["status"].GetInt());
        EXPECT_STREQ(std::get<1>(c), d["error"]["kind"].GetString());
        EXPECT_NE(std::string::npos, std::string(d["error"]["message"].GetString()).find(std::get<2>(c))) << r.out;
    }
}

// Output that cannot be written (a full disk, a closed standard output, a reader that went away) exits with 4.
TEST_F(Pihost, UnwritableOutputExitsWithFour) {
    for (const char* target : {"/dev/full", "-"}) {
        stdout_ = target;
        const Result r = Run({"--json", "get", "plugin", "NAME"});
        EXPECT_EQ(4, r.exitCode) << target << "\n" << r.err;
        EXPECT_NE(std::string::npos, r.err.find(std::string(target) == "-" ? "closed" : "No space left")) << r.err;
    }
    stdout_ = "stdout.txt";
    // watch | head -1: ends as soon as the reader has gone, without waiting for another line to write.
    int output = -1;
    const pid_t pid = Start({"--json", "watch"}, std::string(), nullptr, &output);
    ASSERT_GT(pid, 0);
    AwaitText("stderr.txt", "adapter count");
    ::close(output);
    const Result r = Wait(pid, std::chrono::seconds(20));
    EXPECT_EQ(4, r.exitCode) << r.err;
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
    EXPECT_EQ(3, r.exitCode) << r.err; // it shows no adapter
    EXPECT_EQ((std::vector<std::string>{"createIf", "Execute 1", "Execute 4", "Execute 3", "releaseIf"}), Calls());
    EXPECT_STREQ("0x0000000000000042", Json(r)["objects"][0]["id"].GetString());
    EXPECT_NE(std::string::npos, r.err.find("fake: Initialize"));
}

TEST_F(FailingPlugin, CreateIfFailureIsAPluginStatus) {
    const Result r = RunWith("create-fails", {"--json", "topology"});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_NE(std::string::npos, r.err.find("MEMORY_ERROR (20007)")) << r.err;
    EXPECT_EQ(20007, Json(r)["status"].GetInt());
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
    const Result r = RunWith("throws", {"--json", "topology"});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_NE(std::string::npos, r.err.find("fake failure")) << r.err;
    EXPECT_STREQ("plugin", Json(r)["error"]["kind"].GetString());
    EXPECT_EQ((std::vector<std::string>{"createIf", "Execute 1", "Execute 4", "Execute 3", "releaseIf"}), Calls());
}

TEST_F(FailingPlugin, ShellSessionStartsTheWorkerOnce) {
    environment_ = {{"FAKE_PLUGIN_LOG", dir_ + "/calls.log"}};
    const Result r = Run({"--plugin", FAKE_PLUGIN, "shell"}, "topology\ntopology\n");
    EXPECT_EQ(3, r.exitCode) << r.err;
    EXPECT_EQ((std::vector<std::string>{"createIf", "Execute 1", "Execute 2", "Execute 4", "Execute 4", "Execute 3",
                                        "releaseIf"}),
              Calls());
}
