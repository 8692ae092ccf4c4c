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
    std::vector<std::string> warnings; // the run's, for the document
};

const char* CheckStateName(CheckState state);
// How a STATUS value code rates: FAILED and the like critical, WARNING, DEGRADED and REBUILDING a warning,
// anything else OK.
CheckState RateStatus(std::int32_t value);
// The state of a topology; without adapters CRITICAL, the first warning (the cause pihost sees) as summary.
CheckResult EvaluateCheck(const std::vector<PI::CObject>& topology, const std::vector<std::string>& warnings);
// Not evaluated: bad usage, or whatever kept the plugin from running.
CheckResult UnknownCheck(const std::string& reason, bool usage = false);
// "PIDORV OK - 1 adapter, all OK | adapters=1 failed=0 warning=0"
std::string CheckLine(const CheckResult& result);

// The line, or with json the document, on out.
void PrintCheck(std::ostream& out, bool json, const CheckResult& result);
// `pihost check` from the arguments to the end: the line (or document) on out and the state as exit status, 3
// whatever keeps the plugin from running (usage, loading, lifecycle failures; their messages go to err).
int RunCheck(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);

// The objects in the Prometheus text exposition format.
std::string FormatMetrics(const std::vector<PI::CObject>& topology, std::time_t scanTime);
// Writes a temporary file beside path and renames it over path, so that a reader sees the old or the new
// content, never a part.
bool WriteFileAtomically(const std::string& path, const std::string& text, std::string& error);

} // namespace pihost
