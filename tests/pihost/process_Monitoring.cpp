// pihost for monitors, services and packagers, driven as a process: check, metrics, --version, the names beside codes
// in JSON and the bash completion.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <rapidjson/document.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "JsonRecord.h"

namespace {

struct Result {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

std::string Quote(const std::string& word) {
    std::string quoted = "'";
    for (char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// A shell command's standard output and exit status.
Result Shell(const std::string& command) {
    Result r;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            r.out.append(buffer, n);
        const int status = ::pclose(pipe);
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return r;
}

class Monitoring : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/pihost-monitoring-XXXXXX";
        ASSERT_NE(nullptr, ::mkdtemp(pattern));
        dir_ = pattern;
    }
    void TearDown() override { std::system(("rm -rf " + Quote(dir_)).c_str()); }

    // The shell words that start pihost in the test folder (also its state folder), environment (NAME=value
    // words) added to a clean one, output into stdout.txt and stderr.txt.
    std::string Command(const std::vector<std::string>& args, const std::string& environment = "") {
        std::string command = "cd " + Quote(dir_) + " && umask 022 && env -u PI_DATABASE -u PI_CONFIG_DIR " +
                              "-u LUMO_DEVICE_TREE -u LUMO_FAULT -u TLX_TRACE_MASK XDG_STATE_HOME=" + Quote(dir_) +
                              " " + environment + " " + PIHOST_EXE;
        for (const auto& a : args)
            command += " " + Quote(a);
        return command + " </dev/null >stdout.txt 2>stderr.txt";
    }

    // then: shell commands after the pihost command, the last one echoing pihost's exit status.
    Result Run(const std::vector<std::string>& args, const std::string& environment = "",
               const std::string& then = "; echo $?") {
        Result r;
        r.exitCode = std::atoi(Shell(Command(args, environment) + then).out.c_str());
        r.out = ReadFile(dir_ + "/stdout.txt");
        r.err = ReadFile(dir_ + "/stderr.txt");
        RecordJsonDocuments(r.out);
        return r;
    }

    static rapidjson::Document Json(const Result& r) {
        rapidjson::Document d;
        d.Parse(r.out.c_str());
        EXPECT_FALSE(d.HasParseError()) << r.out << r.err;
        return d;
    }

    std::string dir_;
};

TEST_F(Monitoring, CheckRatesTheWorstStatusAsLineOrDocument) {
    const std::vector<std::string> fake = {"--plugin", FAKE_PLUGIN};
    const struct {
        std::vector<std::string> args;
        std::string environment;
        int exitCode;
        std::string line; // the whole line, or its start for UNKNOWN
    } rows[] = {
        {{"check"}, "", 0, "PIDORV OK - 1 adapter, all OK | adapters=1 failed=0 warning=0"},
        {{"--fault", "no-controller", "check"},
         "",
         2,
         "PIDORV CRITICAL - no adapter seen: the controller emulator was asked for the fault no-controller | "
         "adapters=0 failed=0 warning=0"},
        {{"check"},
         "FAKE_PLUGIN_STATUSES=40024,40150",
         1,
         "PIDORV WARNING - 2 adapters: adapter 0x0000000000000044 WARNING | adapters=2 failed=0 warning=1"},
        {{"check"},
         "FAKE_PLUGIN_STATUSES=40094",
         1,
         "PIDORV WARNING - 1 adapter: adapter 0x0000000000000043 DEGRADED | adapters=1 failed=0 warning=1"},
        {{"check"},
         "FAKE_PLUGIN_STATUSES=40150,40095",
         2,
         "PIDORV CRITICAL - 2 adapters: adapter 0x0000000000000043 WARNING, adapter 0x0000000000000044 FAILED | "
         "adapters=2 failed=1 warning=1"},
        {{"check"}, "FAKE_PLUGIN_MODE=create-fails", 3, "PIDORV UNKNOWN - could not run the plugin: "},
        {{"check", "--bogus"}, "", 3, "PIDORV UNKNOWN - bad usage: "},
    };
    for (const auto& row : rows) {
        std::vector<std::string> args = row.environment.empty() ? std::vector<std::string>() : fake;
        args.insert(args.end(), row.args.begin(), row.args.end());
        const Result human = Run(args, row.environment);
        EXPECT_EQ(row.exitCode, human.exitCode) << row.line << "\n" << human.err;
        EXPECT_TRUE(StartsWith(human.out, row.line)) << human.out;
        EXPECT_EQ(1, std::count(human.out.begin(), human.out.end(), '\n')) << human.out;

        args.insert(args.begin(), "--json");
        const Result json = Run(args, row.environment);
        EXPECT_EQ(row.exitCode, json.exitCode) << row.line;
        const rapidjson::Document d = Json(json);
        ASSERT_TRUE(d.HasMember("check")) << json.out;
        EXPECT_EQ(human.out, std::string(d["check"]["line"].GetString()) + "\n");
        EXPECT_EQ(row.exitCode, d["check"]["code"].GetInt());
    }
}

TEST_F(Monitoring, MetricsReplaceTheFileWholeInTheExpositionFormat) {
    std::ofstream(dir_ + "/tree.json")
        << R"({"TavrinStorageDeviceTree":{"@Version":1,"@Status":"OK","Adapter":[{"@Nr":0,"Name":"Dorv \"A\" \\ B\nC)"
           "\xff"
           R"(",)"
           R"("Product":"P","Vendor":"V","FirmwareVersion":"1.5","SerialNumber":"S1","VendorID":"0x7A11",)"
           R"("DeviceID":"0x0D10","AdapterNumber":0}]}})";
    ASSERT_EQ(0, ::mkdir((dir_ + "/textfile").c_str(), 0755));
    std::ofstream(dir_ + "/textfile/pidorv.prom") << "stale\n";

    const Result r = Run({"--device-tree", "tree.json", "metrics", "--output", "textfile/pidorv.prom"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ("", r.out);
    const std::string text = ReadFile(dir_ + "/textfile/pidorv.prom");
    EXPECT_NE(std::string::npos, text.find("pidorv_adapter_status{id=\"0x0136000000000001\",kind=\"adapter\","
                                           "name=\"Dorv \\\"A\\\" \\\\ B\\nC\xef\xbf\xbd\",status=\"OK\"} 40024\n"))
        << text;
    EXPECT_NE(std::string::npos, text.find("firmware=\"1.5\",serial=\"S1\"} 1\n")) << text;
    EXPECT_NE(std::string::npos, text.find("\npidorv_poll_interval_seconds 10\n")) << text;
    EXPECT_EQ(std::string::npos, text.find("stale"));
    // Nothing left beside it, and readable by the collector's user.
    EXPECT_EQ("pidorv.prom\n", Shell("ls -A " + Quote(dir_ + "/textfile")).out);
    struct stat info {};
    ASSERT_EQ(0, ::stat((dir_ + "/textfile/pidorv.prom").c_str(), &info));
    EXPECT_EQ(0644u, info.st_mode & 0777);
    const Result lint = Shell("promtool check metrics < " + Quote(dir_ + "/textfile/pidorv.prom") + " 2>&1");
    EXPECT_EQ(0, lint.exitCode) << "promtool (Debian's prometheus package): " << lint.out;

    const Result failed = Run({"--json", "metrics", "--output", "no/such/folder/pidorv.prom"});
    EXPECT_EQ(4, failed.exitCode);
    EXPECT_STREQ("output", Json(failed)["error"]["kind"].GetString());
    EXPECT_NE(std::string::npos, failed.err.find("no/such/folder/pidorv.prom")) << failed.err;
}

TEST_F(Monitoring, VersionNamesPihostAndThePluginAndKeepsNoMirror) {
    const Result r = Run({"--version"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ("pihost " PIHOST_VERSION "\nplugin 7.12.1\n", r.out);
    EXPECT_STREQ("7.12.1", Json(Run({"--json", "--version"}))["version"]["plugin"].GetString());
    Run({"check"});
    Run({"metrics"});
    EXPECT_EQ("stderr.txt\nstdout.txt\n", Shell("ls -A " + Quote(dir_)).out);
}

TEST_F(Monitoring, JsonNamesBesideCodes) {
    const rapidjson::Document topology = Json(Run({"--json", "--db", "mirror.db", "topology"}));
    EXPECT_STREQ("plugin", topology["objects"][0]["kind"].GetString());
    const auto& adapter = topology["objects"][1];
    EXPECT_STREQ("adapter", adapter["kind"].GetString());
    const auto& status = adapter["properties"][22]["value"];
    EXPECT_STREQ("OK", status["valueName"].GetString());
    EXPECT_STREQ("FAILED", status["choiceNames"][2].GetString());
    EXPECT_STREQ("RAID1", adapter["operations"][1]["levels"][0]["name"].GetString());
    EXPECT_STREQ("64K", adapter["operations"][1]["levels"][0]["defaultStripeSizeName"].GetString());

    const rapidjson::Document get = Json(Run({"--json", "get", "adapter", "STATUS"}));
    EXPECT_STREQ("0x0136000000000001", get["object"]["id"].GetString());
    EXPECT_STREQ("adapter", get["object"]["kind"].GetString());

    const rapidjson::Document db = Json(Run({"--json", "--db", "mirror.db", "db", "Adapter"}));
    const auto& columns = db["columns"]["Adapter"];
    const auto& row = db["tables"]["Adapter"][0];
    ASSERT_EQ(row.Size(), columns.Size());
    rapidjson::SizeType firmware = 0;
    while (firmware < columns.Size() && std::string(columns[firmware].GetString()) != "FirmwareVersion")
        ++firmware;
    ASSERT_LT(firmware, columns.Size());
    EXPECT_STREQ("1.5 (LPC), 1.7 (FX3S)", row[firmware].GetString());
}

TEST_F(Monitoring, BashCompletionOffersWhatHelpLists) {
    std::ofstream(dir_ + "/complete.sh") << "source '" PIHOST_SOURCE_DIR "/packaging/pihost.bash-completion'\n"
                                            "read -ra COMP_WORDS <<< \"$1\"\n"
                                            "[[ $1 == *' ' ]] && COMP_WORDS+=('')\n"
                                            "COMP_CWORD=$((${#COMP_WORDS[@]} - 1))\n"
                                            "_pihost\n"
                                            "printf '%s' \" ${COMPREPLY[*]} \"\n";
    const auto offered = [&](const std::string& line) {
        return Shell("bash " + Quote(dir_ + "/complete.sh") + " " + Quote(line)).out;
    };
    // Every command and option --help names.
    std::istringstream help(Run({"--help"}).out);
    const std::string commands = offered("pihost ");
    const std::string options = offered("pihost --");
    for (std::string line, section; std::getline(help, line);) {
        if (!line.empty() && line[0] != ' ')
            section = line;
        std::istringstream words(line);
        std::string first;
        words >> first;
        if (section == "Subcommands:" && line.size() > 2 && line[0] == ' ' && line[2] != ' ') {
            EXPECT_NE(std::string::npos, commands.find(" " + first + " ")) << first;
        } else if (section == "Options:" && StartsWith(first, "-")) {
            const std::string option = first.substr(first.find("--"));
            EXPECT_NE(std::string::npos, options.find(" " + option.substr(0, option.find('=')) + " ")) << first;
        }
    }
    EXPECT_EQ(" no-controller,truncate: ", offered("pihost --fault no-controller,tr"));
    EXPECT_EQ(" adapter adapter:0 adapter:1 ", offered("pihost properties ada"));
    EXPECT_EQ(" --output ", offered("pihost metrics --o"));
}

} // namespace
