// pihost driven as a process, with the built plugin and the controller emulator, each test in its own folder; and
// for monitors and packagers (Monitoring): check, metrics and --version.
#include "PihostProcess.h"

// The built-in sample as a tree and as a document with names beside the codes; the plugin's own line goes to
// standard error, so that standard output is one JSON document.
TEST_F(Pihost, TopologyShowsTheSampleWithNames) {
    Result r = Run("");
    ASSERT_EQ(0, r.exitCode) << r.err;
    for (const char* line :
         {"plugin 0x0136000000000000        \"Dorv-Plugin\"", "adapter 0x0136000000000001     \"Dorv100 Dual SD (0)\"",
          "RAID1: stripe sizes 4K, 8K, 16K, 32K, 64K, 128K (default 64K)"}) {
        EXPECT_NE(std::string::npos, r.out.find(line)) << r.out;
    }
    r = Run("--json topology");
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_NE(std::string::npos, r.err.find("Initialize:  adapter count is 1"));
    ASSERT_EQ(1u, Lines(r.out).size());
    ExpectAt(Json(r.out),
             {"/statusName=SUCCESS", "/warnings=[]", "/error=(none)", "/objects/0/kind=plugin",
              "/objects/0/children=[\"0x0136000000000001\"]", "/objects/0/properties/4/name=POLL_INTERVAL",
              "/objects/1/kind=adapter", "/objects/1/parents=[\"0x0136000000000000\"]",
              "/objects/1/properties/22/name=STATUS", "/objects/1/properties/22/value/valueName=OK",
              "/objects/1/properties/22/value/choiceNames=[\"OK\",\"WARNING\",\"FAILED\"]",
              "/objects/1/operations/1/name=GET_RAID_LEVEL_INFORMATION",
              "/objects/1/operations/1/levels/0/stripeSizes=[40049,40050,40051,40052,40053,40054]",
              "/objects/1/operations/1/levels/0/stripeSizeNames=[\"4K\",\"8K\",\"16K\",\"32K\",\"64K\",\"128K\"]",
              "/objects/1/operations/1/levels/0/defaultStripeSizeName=64K"});
}

// set saves the interval in the configuration folder, get reads it back; a save that fails says where, why and
// what still holds.
TEST_F(Pihost, SetSavesThePollIntervalOrSaysWhyNot) {
    ASSERT_EQ(0, Shell("mkdir -p conf bad/piDorv.ini").exitCode);
    ASSERT_EQ(0, Run("--config-dir conf set poll-interval 7").exitCode);
    EXPECT_NE(std::string::npos, ReadFile(dir_ + "/conf/piDorv.ini").find("PollInterval=7"));
    Result r = Run("--config-dir conf get plugin poll-interval --json");
    ASSERT_EQ(0, r.exitCode) << r.err;
    ExpectAt(Json(r.out), {"/object/id=0x0136000000000000", "/object/kind=plugin", "/property/value/value=7"});
    r = Run("--config-dir bad set poll-interval 7");
    EXPECT_EQ(1, r.exitCode);
    EXPECT_NE(std::string::npos, r.err.find("POLL_INTERVAL is 7 s for this run, but the configuration file '" + dir_ +
                                            "/bad/piDorv.ini' could not be saved: it is a folder"))
        << r.err;
}

// One document per line, the scan's event seen by the next line, and the worst status of the lines; options that
// act only when the plugin is loaded are refused.
TEST_F(Pihost, ShellAnswersEveryLine) {
    const Result r = Run("--json shell", "run adapter SCAN_CONFIGURATION\nrun plugin GET_EVENTS\nfrobnicate\n"
                                         "get adapter POLL_INTERVAL\n'\n--db x.db topology\nquit\ntopology\n");
    EXPECT_EQ(2, r.exitCode) << r.err;
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(6u, lines.size()) << r.out;
    const char* const kinds[] = {"(none)", "(none)", "usage", "plugin", "usage", "usage"};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(kinds[i], At(Json(lines[i]), "/error/kind")) << lines[i];
    }
    ExpectAt(Json(lines[1]),
             {"/operation/events/0/name=SCAN_CONFIGURATION", "/operation/events/0/source=0x0136000000000001",
              "/operation/events/0/placeholder1=Dorv100 Dual SD (0)", "/operation/events/1=(none)"});
}

TEST_F(Pihost, WatchShowsAnEditedDeviceTreeAndTheMirrorFollows) {
    WriteFile(dir_ + "/tree.json", TreeWithFirmware("1.5 (LPC), 1.7 (FX3S)"));
    const pid_t pid = Start("--json --device-tree tree.json watch --for 3 --scan");
    AwaitText("stderr.txt", "adapter count");
    WriteFile(dir_ + "/tree.json", TreeWithFirmware("1.6 (LPC), 1.8 (FX3S)"));
    const Result r = Wait(pid);
    ASSERT_EQ(0, r.exitCode) << r.err;
    int changes = 0;
    for (const auto& line : Lines(r.out)) {
        const rapidjson::Document d = Json(line);
        ASSERT_TRUE(d.HasMember("event") || d.HasMember("change")) << line;
        if (At(d, "/change/property") == "FIRMWARE_VERSION" && ++changes) {
            ExpectAt(d, {"/change/id=0x0136000000000001", "/change/before/text=1.5 (LPC), 1.7 (FX3S)",
                         "/change/after/text=1.6 (LPC), 1.8 (FX3S)"});
        }
    }
    EXPECT_EQ(1, changes) << r.out;
    EXPECT_NE(std::string::npos, Run("db Adapter").out.find("1.6 (LPC), 1.8 (FX3S)"));
}

// Ctrl-C, and SIGTERM as systemd stops the service, end watch as it is meant to end (0); any other command ends
// with 130 and prints no result, after de-initialising the plugin. A second Ctrl-C during a slow controller call
// ends pihost at once.
TEST_F(Pihost, StopRequests) {
    const struct {
        std::string args;
        const char* awaitFile;
        const char* awaitText;
        int signal;
        int signals;
        int exitCode;
        const char* out; // a part of standard output, which must be empty for 130
    } cases[] = {
        {"watch", "stderr.txt", "pihost: watching", SIGINT, 1, 0, ""},
        // Without an adapter, watch's first document is the warning alone.
        {"--json --fault no-controller watch", "stderr.txt", "no adapter seen", SIGTERM, 1, 0,
         "\"warnings\":[\"no adapter seen: "},
        {"--json shell", "stderr.txt", "adapter count", SIGINT, 1, 130, ""},
        {"--json --fault delay:1000 topology", "calls.log", "Lumo_PemraRequest", SIGINT, 1, 130, ""},
        {"--json --fault delay:3600000 topology", "calls.log", "Lumo_PemraRequest", SIGINT, 2, 130, ""},
    };
    // A FIFO open at both ends keeps the shell's input open.
    ASSERT_EQ(0, ::mkfifo((dir_ + "/input").c_str(), 0600));
    const int input = ::open((dir_ + "/input").c_str(), O_RDWR | O_CLOEXEC);
    stdin_ = "input";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args + " " + std::to_string(c.signals));
        // The awaited text must come from this run.
        ASSERT_EQ(0, Shell("rm -f trace.log calls.log stderr.txt").exitCode);
        const pid_t pid = Start("LUMO_CALL_LOG=calls.log --trace 2 --trace-file trace.log " + c.args);
        ASSERT_GT(pid, 0);
        AwaitText(c.awaitFile, c.awaitText);
        ASSERT_EQ(0, ::kill(pid, c.signal));
        if (c.signals == 2) {
            AwaitText("stderr.txt", "stopping after the current plugin call");
            ASSERT_EQ(0, ::kill(pid, SIGINT));
        }
        const Result r = Wait(pid);
        EXPECT_EQ(c.exitCode, r.exitCode) << r.err;
        EXPECT_TRUE(c.exitCode == 130 ? r.out.empty() : r.out.find(c.out) != std::string::npos) << r.out;
        // Only the stop at once leaves the plugin as it is.
        EXPECT_EQ(c.signals == 1, ReadFile(dir_ + "/trace.log").find("LEAVE DeInitialize") != std::string::npos);
    }
    ::close(input);
}

// Control characters from the controller are escaped on the terminal, and JSON stays valid UTF-8.
TEST_F(Pihost, ControllerTextIsUntrusted) {
    WriteFile(dir_ + "/tree.json", TreeWithFirmware("1.5\\u001b]0;owned\\u0007 \xff"));
    Result r = Run("--device-tree tree.json get adapter FIRMWARE_VERSION");
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("1.5\\x1b]0;owned\\x07 \\xff")) << r.out;
    r = Run("--device-tree tree.json --json get adapter FIRMWARE_VERSION");
    EXPECT_EQ("1.5\x1b]0;owned\x07 \xef\xbf\xbd", At(Json(r.out), "/property/value/text"));
}

// The mirror goes to --db, else PI_DATABASE, else $XDG_STATE_HOME/pidorv/pihost.db (the folder made on first use);
// :memory: keeps none. db reads it read-only and never loads the plugin, whose start would rebuild the tables (and,
// with this fault, find no adapter to put back); the cells are in the order of the column names beside them.
TEST_F(Pihost, DbReadsTheMirrorWithoutThePlugin) {
    ASSERT_EQ(0, Run("PI_DATABASE=env.db get plugin NAME").exitCode);
    ASSERT_EQ(0, Run("PI_DATABASE=env.db --db :memory: get plugin NAME").exitCode);
    EXPECT_EQ(0, ::access((dir_ + "/env.db").c_str(), F_OK));
    EXPECT_NE(0, ::access((dir_ + "/:memory:").c_str(), F_OK));
    ASSERT_EQ(0, Run("topology").exitCode);
    ASSERT_EQ(0, ::chmod((dir_ + "/state/pidorv/pihost.db").c_str(), 0444));
    const Result r = Run("--fault no-controller --json db");
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ(std::string::npos, r.err.find("Initialize")) << r.err;
    const rapidjson::Document d = Json(r.out);
    const auto& columns = d["columns"]["Adapter"];
    const auto firmware = std::find(columns.Begin(), columns.End(), rapidjson::Value("FirmwareVersion"));
    ASSERT_EQ(columns.Size(), d["tables"]["Adapter"][0].Size());
    ExpectAt(d, {"/tables/Adapter/0/" + std::to_string(firmware - columns.Begin()) + "=1.5 (LPC), 1.7 (FX3S)",
                 "/tables/Adapter/1=(none)", "/tables/Plugin/0/3=Dorv-Plugin", "/tables/PD=[]", "/tables/LD=[]",
                 "/tables/PD_LD=[]"});
}

// Bad usage and input exit with 2, a failing plugin call with 1, no adapter with 3, with the error or warning in
// context on standard error and, with --json, in the one document on standard output.
TEST_F(Pihost, FailuresAnswerWithTheirExitStatusAndAnError) {
    ASSERT_EQ(0, Shell("mkdir folder folder.db && echo plain text > not-a-library.so && echo > empty.json && "
                       "echo '{\"TavrinStorageDeviceTree\": [' > garbage.json && printf %0200d 0 > garbage.db && "
                       "sqlite3 other.db 'CREATE TABLE Adapter(x); CREATE TABLE Notes(y)'")
                     .exitCode);
    std::ofstream(dir_ + "/huge.json") << TreeWithFirmware(std::string(70000, 'x'));
    const std::string kinds = "the kinds are no-controller, connect-fails, empty-answer, garbage, truncate:N, "
                              "status:N, delay:MS";
    // Each row: the arguments => the error's kind: its message.
    const std::string bad[] = {
        "get 0x0136000000000009 NAME => plugin: INVALID_OBJECT_ID (20008)",
        "run plugin SCAN_CONFIGURATION => plugin: offers no operation SCAN_CONFIGURATION (ExecuteOperation returned "
        "INVALID_OPERATION (20005))",
        "get adapter POLL_INTERVAL => plugin: get: adapter 0x0136000000000001 \"Dorv100 Dual SD (0)\" has no property "
        "POLL_INTERVAL (GetProperty returned GENERAL (20000))",
        "frobnicate => usage: frobnicate",
        "topology one two three => usage: not expected: one two three",
        "get adapter check => usage: unknown property name 'check'", // a word, not the command
        "run adapter NO_SUCH_OPERATION => usage: NO_SUCH_OPERATION",
        "properties nonsense => usage: unknown object 'nonsense'",
        "set poll-interval 256 => usage: out of range (2 to 255 seconds)",
        "db NoTable => usage: unknown table 'NoTable'",
        "--fault bogus => usage: unknown fault 'bogus'; " + kinds,
        "--fault garbage,truncate:abc => usage: bad argument in 'truncate:abc'; " + kinds,
        "--trace lots => usage: lots",
        "get plugin => usage: PROPERTY is required",
        "set name 5 => usage: name",
        "watch --for soon => usage: soon",
        "watch --for nan => usage: --for nan: not a number of seconds",
        "watch --for inf => usage: --for inf: not a finite number",
        "watch --for 0 => usage: --for 0: must be more than 0 seconds",
        "watch --for -5 => usage: --for -5: a time to watch cannot be negative",
        "watch --for 1e300 => usage: --for 1e300: more than the maximum of 31536000 seconds",
        "--config-dir no-such-folder => usage: no-such-folder",
        "--trace-file no/such/folder/trace.log => usage: cannot open 'no/such/folder/trace.log'",
        "--plugin /nonexistent/libpiDorv.so => usage: /nonexistent/libpiDorv.so",
        "--plugin not-a-library.so => plugin: cannot load plugin 'not-a-library.so'",
        "--device-tree /nonexistent/tree.json => usage: /nonexistent/tree.json",
        "--db no/such/folder/x.db => input: no/such/folder/x.db",
        "--db folder.db => input: folder.db",
        "properties adapter:7 => input: no adapter:7 (the plugin shows 1 adapter)",
        "--fault empty-answer get adapter NAME => input: the plugin shows no adapter",
        "--db garbage.db db => input: 'garbage.db' is not a pihost mirror",
        "--db other.db db => input: 'other.db' is not a pihost mirror: it has no table Plugin, PD, LD, PD_LD",
        "--db absent.db db => input: no mirror at 'absent.db'",
        "--db :memory: db => input: an in-memory mirror ends with the plugin",
        // No adapter: a topology that warns with what pihost can see of the cause (the last two through the
        // environment, as the option refuses what is not a file).
        "--fault no-controller => warning: no adapter seen: the controller emulator was asked for the fault "
        "no-controller",
        "--device-tree empty.json => warning: the device-tree file 'empty.json' is empty",
        "--device-tree garbage.json => warning: the device-tree file 'garbage.json' is not JSON",
        "--device-tree huge.json => warning: over the 64,000 bytes the plugin accepts",
        "LUMO_DEVICE_TREE=missing.json => warning: the device-tree file 'missing.json' does not exist",
        "LUMO_DEVICE_TREE=folder => warning: the device-tree file 'folder' cannot be read",
    };
    for (const std::string& row : bad) {
        const std::size_t arrow = row.find(" => "), colon = row.find(": ", arrow);
        const std::string kind = row.substr(arrow + 4, colon - arrow - 4), message = row.substr(colon + 2);
        const Result r = Run(row.substr(0, arrow) + " --json");
        SCOPED_TRACE(row + "\n" + r.err);
        const bool warning = kind == "warning";
        // Of the plugin's kind, only a plugin that does not load is a usage error.
        EXPECT_EQ(warning ? 3 : kind == "plugin" && row.rfind("--plugin", 0) != 0 ? 1 : 2, r.exitCode);
        ASSERT_EQ(1u, Lines(r.out).size()) << r.out;
        const rapidjson::Document d = Json(r.out);
        // A warning is the same text on both.
        EXPECT_NE(std::string::npos, r.err.find(warning ? "warning: " + At(d, "/warnings/0") : message));
        EXPECT_EQ(warning, At(d, "/status") == "0");
        EXPECT_EQ(warning ? "(none)" : kind, At(d, "/error/kind"));
        EXPECT_NE(std::string::npos, At(d, warning ? "/warnings/0" : "/error/message").find(message)) << r.out;
    }
}

// Output that cannot be written (a full disk, a closed standard output, a reader that went away) exits with 4.
TEST_F(Pihost, UnwritableOutputExitsWithFour) {
    for (const char* target : {"/dev/full", "-"}) {
        stdout_ = target;
        const Result r = Run("--json get plugin NAME");
        EXPECT_EQ(4, r.exitCode) << target << "\n" << r.err;
        EXPECT_NE(std::string::npos, r.err.find(stdout_ == "-" ? "closed" : "No space left")) << r.err;
    }
    // watch | head -1: ends as soon as the reader has gone, without waiting for another line to write.
    ASSERT_EQ(0, ::mkfifo((dir_ + "/output").c_str(), 0600));
    const int output = ::open((dir_ + "/output").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    stdout_ = "output";
    const pid_t pid = Start("--json watch");
    stdout_ = "stdout.txt"; // not read back from the FIFO
    AwaitText("stderr.txt", "adapter count");
    ::close(output);
    EXPECT_EQ(4, Wait(pid).exitCode);
}

// The lifecycle holds whatever the plugin does: DeInitialize after a failed Initialize, releaseIf after an
// exception, the worker started once for a shell, and the plugin's own output kept off standard output.
TEST_F(Pihost, FailingPluginStillEndsItsLifecycle) {
    const char* whole = "createIf 1 4 3 releaseIf ";
    const struct {
        const char* mode;
        const char* command;
        int exitCode;
        const char* calls; // the entry points called, Execute as its command's number
        const char* err;
        std::vector<std::string> document; // checks of the one document, if there is one
    } rows[] = {
        {"", "topology", 3, whole, "fake: Init", {"/status=0", "/error=(none)", "/objects/0/id=0x0000000000000042"}},
        {"create-fails", "topology", 1, "createIf ", "MEMORY_ERROR (20007)", {"/status=20007", "/error/kind=plugin"}},
        {"init-fails", "topology", 1, "createIf 1 3 releaseIf ", "", {"/status=20001", "/error/kind=plugin"}},
        {"throws", "topology", 1, whole, "fake failure", {"/status=20000", "/error/kind=plugin"}},
        {"", "shell", 3, "createIf 1 2 4 4 3 releaseIf ", "", {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.mode) + " " + row.command);
        ::unlink((dir_ + "/calls.log").c_str());
        const Result r =
            Run("FAKE_PLUGIN_MODE=" + std::string(row.mode) + " --plugin FAKE_PLUGIN --json " + row.command,
                "topology\ntopology\n");
        EXPECT_EQ(row.exitCode, r.exitCode) << r.err;
        EXPECT_EQ(row.calls, ReadFile(dir_ + "/calls.log"));
        EXPECT_NE(std::string::npos, r.err.find(row.err)) << r.err;
        if (!row.document.empty()) {
            ExpectAt(Json(r.out), row.document);
        }
    }
}

using Monitoring = Pihost;

// Each row: the command line => the exit status and the whole line, or its start for UNKNOWN.
TEST_F(Monitoring, CheckRatesTheWorstStatusAsLineOrDocument) {
    for (const std::string row :
         {"check => 0 PIDORV OK - 1 adapter, all OK | adapters=1 failed=0 warning=0",
          "--fault no-controller check => 2 PIDORV CRITICAL - no adapter seen: the controller emulator was asked for "
          "the fault no-controller | adapters=0 failed=0 warning=0",
          "FAKE_PLUGIN_STATUSES=40024,40150 --plugin FAKE_PLUGIN check => 1 PIDORV WARNING - 2 adapters: adapter "
          "0x0000000000000044 WARNING | adapters=2 failed=0 warning=1",
          "FAKE_PLUGIN_STATUSES=40094 --plugin FAKE_PLUGIN check => 1 PIDORV WARNING - 1 adapter: adapter "
          "0x0000000000000043 DEGRADED | adapters=1 failed=0 warning=1",
          "FAKE_PLUGIN_STATUSES=40150,40095 --plugin FAKE_PLUGIN check => 2 PIDORV CRITICAL - 2 adapters: adapter "
          "0x0000000000000043 WARNING, adapter 0x0000000000000044 FAILED | adapters=2 failed=1 warning=1",
          "FAKE_PLUGIN_MODE=create-fails --plugin FAKE_PLUGIN check => 3 PIDORV UNKNOWN - could not run the plugin: ",
          "check --bogus => 3 PIDORV UNKNOWN - bad usage: "}) {
        const std::size_t arrow = row.find(" => ");
        const std::string command = row.substr(0, arrow), code = row.substr(arrow + 4, 1), line = row.substr(arrow + 6);
        const Result human = Run(command);
        EXPECT_EQ(code, std::to_string(human.exitCode)) << row << "\n" << human.err;
        EXPECT_EQ(0u, human.out.find(line)) << human.out;
        ASSERT_EQ(1u, Lines(human.out).size()) << human.out;
        const Result json = Run(command + " --json");
        EXPECT_EQ(code, std::to_string(json.exitCode)) << row;
        ExpectAt(Json(json.out), {"/check/line=" + Lines(human.out)[0], "/check/code=" + code});
    }
}

TEST_F(Monitoring, MetricsReplaceTheFileWholeInTheExpositionFormat) {
    std::ofstream(dir_ + "/tree.json") << TreeWithFirmware("1.5", "Dorv \\\"A\\\" \\\\ B\\nC\xff");
    ASSERT_EQ(0, ::mkdir((dir_ + "/textfile").c_str(), 0755));
    std::ofstream(dir_ + "/textfile/pidorv.prom") << "stale\n";

    const Result r = Run("--device-tree tree.json metrics --output textfile/pidorv.prom");
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ("", r.out);
    const std::string text = ReadFile(dir_ + "/textfile/pidorv.prom");
    for (const char* line :
         {"pidorv_adapter_status{id=\"0x0136000000000001\",kind=\"adapter\","
          "name=\"Dorv \\\"A\\\" \\\\ B\\nC\xef\xbf\xbd\",status=\"OK\"} 40024\n",
          "firmware=\"1.5\",serial=\"8A3F0C21D94E4B7A9E6155C2F0B13D47\"} 1\n", "\npidorv_poll_interval_seconds 10\n"}) {
        EXPECT_NE(std::string::npos, text.find(line)) << text;
    }
    EXPECT_EQ(std::string::npos, text.find("stale"));
    // Nothing left beside it, and readable by the collector's user.
    EXPECT_EQ("644 pidorv.prom\n", Shell("cd textfile && stat -c '%a %n' .[!.]* *").out);
    const Result lint = Shell("promtool check metrics < textfile/pidorv.prom 2>&1");
    EXPECT_EQ(0, lint.exitCode) << "promtool (Debian's prometheus package): " << lint.out;

    const Result failed = Run("--json metrics --output no/such/folder/pidorv.prom");
    EXPECT_EQ(4, failed.exitCode);
    EXPECT_EQ("output", At(Json(failed.out), "/error/kind"));
    EXPECT_NE(std::string::npos, failed.err.find("no/such/folder/pidorv.prom")) << failed.err;
}

TEST_F(Monitoring, VersionNamesPihostAndThePluginAndKeepsNoMirror) {
    EXPECT_EQ("pihost " PIHOST_VERSION "\nplugin 7.12.1\n", Run("--version").out);
    EXPECT_EQ("7.12.1", At(Json(Run("--json --version").out), "/version/plugin"));
    Run("check");
    Run("metrics");
    EXPECT_NE(0, ::access((dir_ + "/state").c_str(), F_OK)); // no mirror's folder made
}
