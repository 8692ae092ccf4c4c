#include "CommandLine.h"

#include <algorithm>
#include <cstdlib>

#include <CLI/CLI.hpp>

#include "HostCodes.h"

namespace pihost {
namespace {

const char* const MAIN_FOOTER = R"(
OBJECT is plugin, adapter (the first adapter), adapter:N (N counts from 0) or an identifier in hex
(0x0136000000000001). PROPERTY and OPERATION take a name from the code tables (NAME, GET_EVENTS; case and
- for _ do not matter) or a number.

Every run but db loads the plugin, initialises it, runs the command, de-initialises and releases it, also
after errors and on Ctrl-C; Ctrl-C again during a slow controller call ends pihost at once.

Exit status:
  0    success
  1    the plugin returned a non-zero status (printed with its name)
  2    bad usage or input (unknown command, object or name, bad value, missing or unusable file or plugin)
  3    no adapter seen (topology; a warning names what pihost can see of the cause)
  4    standard output could not be written (full disk, closed pipe)
  130  interrupted by Ctrl-C (143: SIGTERM); no result is printed. watch ends on either with 0.
shell exits with the highest status of its lines; check with its own states (0 OK, 1 WARNING, 2 CRITICAL,
3 UNKNOWN), as monitors expect.

Examples:
  pihost                                  the object tree of the built-in sample
  pihost --json topology                  the same as one JSON document
  pihost get plugin POLL_INTERVAL
  pihost run adapter SCAN_CONFIGURATION
  pihost --device-tree tree.json watch --for 60 --scan
  pihost check                            a Monitoring Plugins status line (exit 0 OK ... 3 UNKNOWN)
  pihost metrics --output /var/lib/prometheus/node-exporter/pidorv.prom
  printf 'run adapter SCAN_CONFIGURATION\nrun plugin GET_EVENTS\n' | pihost shell)";

struct Texts {
    std::string object;
    std::string item;
    std::string value;
    std::string table;
    std::string forSeconds;
};

const char* const COMMAND_NAMES[] = {"topology", "properties", "get",   "set",   "operations", "run",
                                     "watch",    "db",         "shell", "check", "metrics"};

bool Fail(std::ostream& err, const std::string& message) {
    err << "pihost: " << message << "\n";
    return false;
}

// Checks and converts what CLI11 left as text.
bool Finish(Request& r, const Texts& t, std::ostream& err) {
    std::string error;
    if (!r.options.trace.empty() && !ParseTraceMask(r.options.trace, error)) {
        return Fail(err, error);
    }
    if (!r.options.fault.empty() && !ParseFaultList(r.options.fault, error)) {
        return Fail(err, error);
    }
    switch (r.command) {
    case Command::Properties:
    case Command::Operations:
        if (!ParseObjectRef(t.object, r.object, error)) {
            return Fail(err, error);
        }
        break;
    case Command::Get:
        if (!ParseObjectRef(t.object, r.object, error) ||
            !ParseCode(CodeNames::Table::Property, t.item, r.code, error)) {
            return Fail(err, error);
        }
        break;
    case Command::Run:
        if (!ParseObjectRef(t.object, r.object, error) ||
            !ParseCode(CodeNames::Table::Operation, t.item, r.code, error)) {
            return Fail(err, error);
        }
        break;
    case Command::Set: {
        std::int32_t code = 0;
        if (!ParseCode(CodeNames::Table::Property, t.item, code, error) || code != Codes::PROPERTY_POLL_INTERVAL) {
            return Fail(err, "only poll-interval can be set, not '" + t.item + "'");
        }
        if (!ParsePollInterval(t.value, r.pollInterval, error)) {
            return Fail(err, error);
        }
        r.code = code;
        break;
    }
    case Command::Db:
        if (!t.table.empty() && !ParseTableName(t.table, r.table, error)) {
            return Fail(err, error);
        }
        break;
    case Command::Watch:
        if (!t.forSeconds.empty() && !ParseWatchSeconds(t.forSeconds, r.forSeconds, error)) {
            return Fail(err, error);
        }
        break;
    case Command::Topology:
    case Command::Shell:
    case Command::Check:
    case Command::Metrics:
    case Command::Version:
        break;
    }
    return true;
}
} // namespace

ParseOutcome ParseCommandLine(const std::vector<std::string>& args, Request& request, std::ostream& out,
                              std::ostream& err) {
    Request r;
    Texts t;
    CLI::App app("pihost: a small host that loads the piDorv plugin, drives it through its command entry and "
                 "prints what it sees.",
                 "pihost");
    app.footer(MAIN_FOOTER);
    app.fallthrough();
    app.require_subcommand(0, 1);

    GlobalOptions& o = r.options;
    app.add_flag("--json", o.json, "one JSON document on standard output (watch: one line per item)");
    app.add_option("--db", o.db,
                   "SQLite file of the mirror tables (PI_DATABASE; default: $XDG_STATE_HOME/pidorv/pihost.db, "
                   "~/.local/state/pidorv/ when unset; :memory: keeps no file)");
    app.add_option("--config-dir", o.configDir, "folder of piDorv.ini (PI_CONFIG_DIR; default: current folder)")
        ->check(CLI::ExistingDirectory);
    app.add_option("--trace", o.trace, "trace mask, decimal or 0x-hex (TLX_TRACE_MASK)");
    app.add_option("--trace-file", o.traceFile, "file the trace lines are appended to (TLX_TRACE_FILE)");
    app.add_option("--device-tree", o.deviceTree,
                   "device-tree JSON file the controller emulator answers with "
                   "(LUMO_DEVICE_TREE), read anew at every scan")
        ->check(CLI::ExistingFile);
    app.add_option("--fault", o.fault,
                   "controller emulator faults, comma list (LUMO_FAULT): no-controller, connect-fails, "
                   "empty-answer, garbage, truncate:N, status:N, delay:MS");
    app.add_option("--plugin", o.plugin, "plugin library to load instead of libpiDorv.so")->check(CLI::ExistingFile);
    bool version = false;
    app.add_flag("--version", version, "pihost's version and the VERSION of the plugin it loads");

    auto* topology = app.add_subcommand("topology", "the object tree: plugin, adapters and drives (default)");
    topology->footer(
        "This device shows no drive objects: the controller's device tree describes the adapter only, by design, so\n"
        "the tree is the plugin and its adapters. An adapter, once seen, stays for the life of the plugin, also when\n"
        "a later device tree lacks it. At every start the plugin writes one line to standard output ('piDorv:\n"
        "Initialize:  adapter count is 1', whatever the count), its notice for the host's log; with --json pihost\n"
        "moves that line to standard error.\n"
        "Example: pihost topology\n         pihost --json topology");

    auto* properties = app.add_subcommand("properties", "all properties of one object (GetProperties)");
    properties->add_option("OBJECT", t.object, "plugin, adapter, adapter:N or a hex identifier")->required();
    properties->footer("Example: pihost properties adapter");

    auto* get = app.add_subcommand("get", "one property of one object (GetProperty)");
    get->add_option("OBJECT", t.object, "plugin, adapter, adapter:N or a hex identifier")->required();
    get->add_option("PROPERTY", t.item, "property name or number")->required();
    get->footer("Example: pihost get plugin POLL_INTERVAL\n         pihost get adapter 30022");

    auto* set = app.add_subcommand("set", "set the plugin's poll interval; the plugin saves it in piDorv.ini");
    set->add_option("NAME", t.item, "poll-interval")->required();
    set->add_option("SECONDS", t.value, "2 to 255")->required();
    set->footer("Example: pihost set poll-interval 30\n"
                "The worker picks up the new interval at its next wait; later runs read it from piDorv.ini.");

    auto* operations = app.add_subcommand("operations", "the operations one object offers (GetOperations)");
    operations->add_option("OBJECT", t.object, "plugin, adapter, adapter:N or a hex identifier")->required();
    operations->footer("Example: pihost operations adapter");

    auto* run = app.add_subcommand("run", "run one operation of one object (ExecuteOperation)");
    run->add_option("OBJECT", t.object, "plugin, adapter, adapter:N or a hex identifier")->required();
    run->add_option("OPERATION", t.item, "operation name or number")->required();
    run->footer("Example: pihost run adapter GET_RAID_LEVEL_INFORMATION\n"
                "Events raised by an operation are collected with GET_EVENTS in the same plugin session:\n"
                "  printf 'run adapter SCAN_CONFIGURATION\\nrun plugin GET_EVENTS\\n' | pihost shell");

    auto* watch = app.add_subcommand("watch", "start the plugin's worker and show events and changes as they come");
    watch->add_option("--for", t.forSeconds,
                      "stop after this many seconds, more than 0 and at most 31536000 (default: until Ctrl-C)");
    watch->add_flag("--scan", r.scan, "run SCAN_CONFIGURATION on the first adapter every second");
    watch->footer("Once a second pihost collects the plugin's events (GET_EVENTS) and compares the topology.\n"
                  "The plugin re-reads the device tree every poll interval (pihost set poll-interval), so an edit\n"
                  "of the --device-tree file shows up within that interval; --scan asks for a scan every second.\n"
                  "Example: pihost --device-tree tree.json watch --for 60 --scan");

    auto* db = app.add_subcommand("db", "the mirrored rows, read from the SQLite file (the plugin is not loaded)");
    db->add_option("TABLE", t.table, "Plugin, Adapter, PD, LD or PD_LD (default: all)");
    db->footer("The file is opened read-only, so db is safe beside a running watch and on a file you may not\n"
               "write; a file without the mirror tables is refused.\n"
               "Example: pihost db Adapter\n         pihost --json --db /tmp/x.db db");

    auto* shell = app.add_subcommand("shell", "one initialised plugin; commands are read one per line from "
                                              "standard input");
    shell->footer("Each line is a pihost command without the program name; quit, exit or end of input ends.\n"
                  "Example: printf 'run adapter SCAN_CONFIGURATION\\nrun plugin GET_EVENTS\\n' | pihost shell");

    auto* check = app.add_subcommand("check", "a Monitoring Plugins status line: exit 0 OK, 1 WARNING, 2 CRITICAL, "
                                              "3 UNKNOWN");
    check->footer("One line such as 'PIDORV OK - 1 adapter, all OK | adapters=1 failed=0 warning=0'. WARNING: an\n"
                  "adapter or drive status is WARNING, DEGRADED or REBUILDING; CRITICAL: a status is FAILED or no\n"
                  "adapter was seen (the line names the cause pihost sees); UNKNOWN: pihost could not run the plugin\n"
                  "(also for bad usage).\n"
                  "Check, metrics and --version keep the mirror in memory unless --db or PI_DATABASE names a file.\n"
                  "Example: pihost check\n         pihost --json check");

    auto* metrics = app.add_subcommand("metrics", "the objects in the Prometheus text exposition format");
    metrics->add_option("--output", r.metricsOutput,
                        "write to FILE through a temporary file and a rename (node_exporter's textfile collector)");
    metrics->footer("Example: pihost metrics --output /var/lib/prometheus/node-exporter/pidorv.prom");

    const std::pair<CLI::App*, Command> commands[] = {{topology, Command::Topology},
                                                      {properties, Command::Properties},
                                                      {get, Command::Get},
                                                      {set, Command::Set},
                                                      {operations, Command::Operations},
                                                      {run, Command::Run},
                                                      {watch, Command::Watch},
                                                      {db, Command::Db},
                                                      {shell, Command::Shell},
                                                      {check, Command::Check},
                                                      {metrics, Command::Metrics}};

    // The options of pihost itself may come before or after the command; say so in every command's help.
    for (const auto& c : commands) {
        c.first->footer(c.first->get_footer() + "\nThe options of pihost (--json, --db, --device-tree, ...) may come "
                                                "before or after the command; see pihost --help.");
    }

    // Extras are collected rather than refused at once, so that the message lists them in the order given.
    app.allow_extras();
    for (const auto& c : commands) {
        c.first->allow_extras();
    }
    try {
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() != 0) {
            err << "pihost: ";
        }
        const int code = app.exit(e, out, err);
        return ParseOutcome{false, code == 0 ? 0 : 2};
    }
    std::vector<std::string> extras = app.remaining(true);
    if (!extras.empty()) {
        std::string words;
        for (const auto& arg : args) {
            const auto found = std::find(extras.begin(), extras.end(), arg);
            if (found == extras.end()) {
                continue;
            }
            words += " " + arg;
            extras.erase(found);
        }
        Fail(err, "The following arguments were not expected:" + words + "\nRun with --help for more information.");
        return ParseOutcome{false, 2};
    }

    for (const auto& c : commands) {
        if (c.first->parsed()) {
            r.command = c.second;
            r.commandName = c.first->get_name();
        }
    }
    if (version) {
        r.command = Command::Version;
        r.commandName = "version";
    }
    // These often run beside a watch of the same user: a mirror file of their own would be started anew.
    const bool oneShot = r.command == Command::Check || r.command == Command::Metrics || r.command == Command::Version;
    if (oneShot && app.get_option("--db")->count() == 0 && !std::getenv("PI_DATABASE")) {
        o.db = ":memory:";
    }
    const char* loadOptionNames[] = {"--db",          "--config-dir", "--trace", "--trace-file",
                                     "--device-tree", "--fault",      "--plugin"};
    for (const char* name : loadOptionNames) {
        if (app.get_option(name)->count() > 0) {
            r.loadOptions.push_back(name);
        }
    }

    if (!Finish(r, t, err)) {
        return ParseOutcome{false, 2};
    }
    request = r;
    return ParseOutcome{true, 0};
}

std::string CommandNameOf(const std::vector<std::string>& args) {
    static const char* const valued[] = {"--db",    "--config-dir", "--trace", "--trace-file", "--device-tree",
                                         "--fault", "--plugin",     "--for",   "--output"};
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (std::find(std::begin(valued), std::end(valued), args[i]) != std::end(valued)) {
            ++i; // the option's value, not a command
            continue;
        }
        if (std::find(std::begin(COMMAND_NAMES), std::end(COMMAND_NAMES), args[i]) != std::end(COMMAND_NAMES)) {
            return args[i];
        }
    }
    return std::string();
}

} // namespace pihost
