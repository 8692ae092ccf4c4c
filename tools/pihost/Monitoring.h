// The commands for monitors and packagers: check (a Monitoring Plugins status line), metrics (the Prometheus
// text format) and --version.
#pragma once
#include <ctime>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "ObjectKind.h"
#include "PluginSession.h"
#include "pi/CObject.h"

namespace pihost {

// Monitoring Plugins states; the value is the exit status.
enum class CheckState { Ok = 0, Warning = 1, Critical = 2, Unknown = 3 };

struct CheckProblem {
    std::uint64_t id = 0;
    ObjectKind kind = ObjectKind::Other;
    std::string name;
    std::int32_t value = 0; // the STATUS value code
    CheckState state = CheckState::Ok;
};

struct CheckResult {
    bool evaluated = false; // false: the plugin could not be run (state Unknown)
    bool usage = false;     // not evaluated because of bad usage
    CheckState state = CheckState::Unknown;
    std::string summary; // between "PIDORV STATE - " and " | "
    int adapters = 0;
    int failed = 0;  // objects whose status is critical
    int warning = 0; // objects whose status calls for a look
    std::vector<CheckProblem> problems;
};

const char* CheckStateName(CheckState state);
// How a STATUS value code rates: FAILED and the like critical, WARNING, DEGRADED and REBUILDING a warning,
// anything else OK.
CheckState RateStatus(std::int32_t value);
CheckResult EvaluateCheck(const std::vector<PI::CObject>& topology);
// "PIDORV OK - 1 adapter, all OK | adapters=1 failed=0 warning=0"
std::string CheckLine(const CheckResult& result);

// `pihost check` from start to end: the line (or document) on out and the state as exit status, 3 whatever
// keeps the plugin from running (usage, loading, lifecycle failures; their messages go to err).
int RunCheck(const Request& request, std::istream& in, std::ostream& out, std::ostream& err);
// A command line naming check that does not parse ends as UNKNOWN (3) with its line or document, as monitors
// expect of bad usage; any other keeps exitCode.
int ParseFailureStatus(const std::vector<std::string>& args, int exitCode, const std::string& errors,
                       std::ostream& out);
// The check on a running session (also from the shell).
int CheckCommand(PluginSession& session, const Request& request, std::ostream& out);

// The objects in the Prometheus text exposition format.
std::string FormatMetrics(const std::vector<PI::CObject>& topology, std::time_t scanTime);
// Writes a temporary file beside path and renames it over path, so that a reader sees the old or the new
// content, never a part.
bool WriteFileAtomically(const std::string& path, const std::string& text, std::string& error);
int MetricsCommand(PluginSession& session, const Request& request, std::ostream& out, std::ostream& err);

// pihost's version and the VERSION of the plugin it loaded.
int VersionCommand(PluginSession& session, const Request& request, std::ostream& out);

} // namespace pihost
