// The command line of pihost (also used for each line of `pihost shell`).
#pragma once
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "NameParsing.h"

namespace pihost {

enum class Command { Topology, Properties, Get, Set, Operations, Run, Watch, Db, Shell, Check, Metrics, Version };

struct CheckResult;

struct GlobalOptions {
    bool json = false;
    std::string db; // empty: PI_DATABASE, else the default place (DefaultDatabasePath)
    std::string configDir;
    std::string trace;
    std::string traceFile;
    std::string deviceTree;
    std::string fault;
    std::string plugin;
};

struct Request {
    Command command = Command::Topology;
    std::string commandName = "topology";
    GlobalOptions options;
    // Options that only take effect when the plugin is loaded (all but --json), as given.
    std::vector<std::string> loadOptions;

    ObjectRef object;              // properties, get, operations, run
    std::int32_t code = 0;         // get: property code; run: operation code
    std::int32_t pollInterval = 0; // set
    double forSeconds = 0;         // watch: 0 runs until stopped
    bool scan = false;             // watch: force a configuration scan every second
    std::string table;             // db: empty for all tables
    std::string metricsOutput;     // metrics: the file written atomically; empty for standard output
    // check: where the outcome goes instead of standard output.
    CheckResult* checkResult = nullptr;
};

struct ParseOutcome {
    bool run = false; // false: nothing to do, leave with exitCode (help was printed or the input was bad)
    int exitCode = 0;
};

// args without the program name. Help goes to out, errors to err (exit code 2 for bad usage).
ParseOutcome ParseCommandLine(const std::vector<std::string>& args, Request& request, std::ostream& out,
                              std::ostream& err);

// The command a command line names, also when it cannot be parsed ("" when it names none); for the document
// that reports the error.
std::string CommandNameOf(const std::vector<std::string>& args);

} // namespace pihost
