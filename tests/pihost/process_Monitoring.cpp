// pihost for monitors and packagers, driven as a process: check, metrics, --version and the bash completion.
#include <cstdio>

#include "PihostProcess.h"

namespace {

class Monitoring : public Pihost {};

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
        environment_.clear();
        if (const std::size_t eq = row.environment.find('='); eq != std::string::npos)
            environment_ = {{row.environment.substr(0, eq), row.environment.substr(eq + 1)}};
        const Result human = Run(args);
        EXPECT_EQ(row.exitCode, human.exitCode) << row.line << "\n" << human.err;
        EXPECT_EQ(0u, human.out.find(row.line)) << human.out;
        EXPECT_EQ(1u, Lines(human.out).size()) << human.out;

        args.insert(args.begin(), "--json");
        const Result json = Run(args);
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
    EXPECT_NE(0, ::access((dir_ + "/state").c_str(), F_OK)); // no mirror's folder made
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
            if (first != "version") {
                EXPECT_NE(std::string::npos, Run({first, "--help"}).out.find("Example")) << first;
            }
        } else if (section == "Options:" && first.compare(0, 1, "-") == 0) {
            const std::string option = first.substr(first.find("--"));
            EXPECT_NE(std::string::npos, options.find(" " + option.substr(0, option.find('=')) + " ")) << first;
        }
    }
    EXPECT_EQ(" no-controller,truncate: ", offered("pihost --fault no-controller,tr"));
    EXPECT_EQ(" adapter adapter:0 adapter:1 ", offered("pihost properties ada"));
    EXPECT_EQ(" --output ", offered("pihost metrics --o"));
}

} // namespace
