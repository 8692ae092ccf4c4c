#include <algorithm>
#include <set>
#include <sstream>

#include "Commands.h"
#include "Format.h"
#include "HostCodes.h"
#include "JsonOut.h"
#include "Monitoring.h"
#include "Program.h"
#include "SafeText.h"
#include "StopSignal.h"

namespace pihost {
namespace {

// Monitors keep the first line of standard output and cut performance data at '|': names from the
// controller must break neither.
std::string PlainText(const std::string& text) {
    std::string out;
    for (char c : Printable(text)) {
        out += c == '|' ? std::string("\\x7c") : std::string(1, c);
    }
    return out;
}

std::string Plural(int count, const char* word) {
    return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

// The first "pihost: ..." message of a failed run, without the prefix.
std::string FirstMessage(const std::string& errors) {
    std::istringstream lines(errors);
    const std::string prefix = "pihost: ";
    for (std::string line; std::getline(lines, line);) {
        if (line.compare(0, prefix.size(), prefix) == 0) {
            return line.substr(prefix.size());
        }
    }
    return "no reason was given";
}

} // namespace

const char* CheckStateName(CheckState state) {
    switch (state) {
    case CheckState::Ok:
        return "OK";
    case CheckState::Warning:
        return "WARNING";
    case CheckState::Critical:
        return "CRITICAL";
    case CheckState::Unknown:
        break;
    }
    return "UNKNOWN";
}

CheckState RateStatus(std::int32_t value) {
    static const std::set<std::string> critical = {"FAILED", "FAILED_MISSING", "LOGICAL_DRIVE_FAILED", "ERROR"};
    static const std::set<std::string> warning = {"WARNING", "DEGRADED", "LOGICAL_DRIVE_DEGRADED", "REBUILDING"};
    const std::string& name = CodeNames::ValueName(value);
    if (critical.count(name)) {
        return CheckState::Critical;
    }
    if (warning.count(name)) {
        return CheckState::Warning;
    }
    return CheckState::Ok;
}

CheckResult UnknownCheck(const std::string& reason, bool usage) {
    CheckResult result;
    result.usage = usage;
    result.summary = (usage ? "bad usage: " : "could not run the plugin: ") + reason;
    return result;
}

CheckResult EvaluateCheck(const std::vector<PI::CObject>& topology, const std::vector<std::string>& warnings) {
    CheckResult result;
    result.evaluated = true;
    result.warnings = warnings;
    result.state = CheckState::Ok;
    for (const auto& object : topology) {
        const ObjectKind kind = KindOf(object);
        if (kind == ObjectKind::Adapter) {
            ++result.adapters;
        }
        const PI::CProperty* status = FindProperty(object, Codes::PROPERTY_STATUS);
        if (kind == ObjectKind::Plugin || !status || !status->Choice()) {
            continue;
        }
        const CheckState state = RateStatus(status->Choice()->value);
        if (state == CheckState::Ok) {
            continue;
        }
        ++(state == CheckState::Critical ? result.failed : result.warning);
        result.problems.push_back(CheckProblem{object.m_ID, kind, DisplayName(object), status->Choice()->value, state});
        if (state > result.state) {
            result.state = state;
        }
    }
    if (result.adapters == 0) {
        result.state = CheckState::Critical;
        // The warning names what pihost can see of the cause.
        result.summary = warnings.empty() ? "no adapter seen" : warnings.front();
        return result;
    }
    result.summary = Plural(result.adapters, "adapter");
    if (result.problems.empty()) {
        result.summary += ", all OK";
    }
    for (std::size_t i = 0; i < result.problems.size(); ++i) {
        const CheckProblem& p = result.problems[i];
        result.summary += (i == 0 ? ": " : ", ") + std::string(KindName(p.kind)) + " " + FormatId(p.id) +
                          (p.name.empty() ? "" : " \"" + PlainText(p.name) + "\"") + " " +
                          CodeLabel(CodeNames::Table::Value, p.value);
    }
    return result;
}

std::string CheckLine(const CheckResult& result) {
    std::string line = std::string("PIDORV ") + CheckStateName(result.state) + " - " + PlainText(result.summary);
    if (result.evaluated) {
        line += " | adapters=" + std::to_string(result.adapters) + " failed=" + std::to_string(result.failed) +
                " warning=" + std::to_string(result.warning);
    }
    return line;
}

void PrintCheck(std::ostream& out, bool json, const CheckResult& result) {
    if (!json) {
        out << CheckLine(result) << "\n";
    } else {
        JsonDocument document("check");
        document.Status(result.evaluated ? 0 : STATUS_GENERAL);
        if (!result.evaluated) {
            document.Error(result.usage ? ErrorKind::Usage : ErrorKind::Plugin, result.summary);
        }
        out << document.Check(result).Warnings(result.warnings).Finish() << "\n";
    }
    FlushOutput(out);
}

int RunCheck(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
    Request request;
    CheckResult result;
    // The run's own output (documents of failures included) gives way to the one line or document of the check;
    // its messages go to standard error, the first also into an UNKNOWN line.
    std::ostringstream discarded;
    std::ostringstream errors;
    const ParseOutcome parsed = ParseCommandLine(args, request, out, errors);
    if (!parsed.run && parsed.exitCode == 0) { // --help
        return EXIT_OK;
    }
    if (parsed.run) {
        request.checkResult = &result;
        try {
            RunProgram(request, in, discarded, errors);
        } catch (const std::exception& e) {
            errors << "pihost: unexpected error: " << e.what() << "\n";
        } catch (...) {
            errors << "pihost: unexpected error\n";
        }
    }
    err << errors.str();
    err.flush();
    if (StopRequested()) {
        return 128 + StopSignal(); // an interrupted run prints no result
    }
    if (!parsed.run) {
        result = UnknownCheck(FirstMessage(errors.str()), true);
    } else if (!result.evaluated && result.summary.empty()) {
        result = UnknownCheck(FirstMessage(errors.str()));
    }
    const bool json = request.options.json || std::find(args.begin(), args.end(), "--json") != args.end();
    PrintCheck(out, json, result);
    return static_cast<int>(result.state);
}

} // namespace pihost
