// pihost for monitors and packagers, driven as a process: check, metrics, --version and the bash completion.
#include "PihostProcess.h"

namespace {

class Monitoring : public Pihost {
protected:
    // A shell command's standard output and exit status, run in the test folder.
    Result Shell(const std::string& command) {
        const int status = std::system(("cd '" + dir_ + "' && { " + command + "; } > shell.txt").c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(dir_ + "/shell.txt"), ""};
    }
};

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
          "firmware=\"1.5\",serial=\"8A3F0C21D94E4B7A9E6155C2F0B13D47\"} 1\n", "\npidorv_poll_interval_seconds 10\n"})
        EXPECT_NE(std::string::npos, text.find(line)) << text;
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

TEST_F(Monitoring, BashCompletionOffersWhatHelpLists) {
    std::ofstream(dir_ + "/complete.sh") << "source '" PIHOST_SOURCE_DIR "/packaging/pihost.bash-completion'\n"
                                            "read -ra COMP_WORDS <<< \"$1\"\n"
                                            "[[ $1 == *' ' ]] && COMP_WORDS+=('')\n"
                                            "COMP_CWORD=$((${#COMP_WORDS[@]} - 1))\n"
                                            "_pihost\n"
                                            "printf '%s' \" ${COMPREPLY[*]} \"\n";
    const auto offered = [&](const std::string& line) { return Shell("bash complete.sh '" + line + "'").out; };
    // Every command and option --help names.
    std::istringstream help(Run("--help").out);
    const std::string commands = offered("pihost ");
    const std::string options = offered("pihost --");
    for (std::string line, section, first; std::getline(help, line);) {
        if (!line.empty() && line[0] != ' ')
            section = line;
        std::istringstream(line) >> first;
        if (section == "Subcommands:" && line.size() > 2 && line[0] == ' ' && line[2] != ' ') {
            EXPECT_NE(std::string::npos, commands.find(" " + first + " ")) << first;
            EXPECT_TRUE(first == "version" || Run(first + " --help").out.find("Example") != std::string::npos) << first;
        } else if (section == "Options:" && first[0] == '-') {
            const std::string option = first.substr(first.find("--"));
            EXPECT_NE(std::string::npos, options.find(" " + option.substr(0, option.find('=')) + " ")) << first;
        }
    }
    EXPECT_EQ(" no-controller,truncate: ", offered("pihost --fault no-controller,tr"));
    EXPECT_EQ(" adapter adapter:0 adapter:1 ", offered("pihost properties ada"));
    EXPECT_EQ(" --output ", offered("pihost metrics --o"));
}

} // namespace
