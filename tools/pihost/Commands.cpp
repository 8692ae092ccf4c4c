#include "Commands.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <editline/readline.h>

#include "Format.h"
#include "HostCodes.h"
#include "JsonOut.h"
#include "LineSplit.h"
#include "MirrorDatabase.h"
#include "Monitoring.h"
#include "NoAdapter.h"
#include "ObjectKind.h"
#include "SafeText.h"
#include "StopSignal.h"
#include "TopologyDiff.h"

namespace pihost {
namespace {

typedef std::chrono::steady_clock Clock;

// A fresh operation record with the descriptor the object offers for that code (kind, block words, flag), so
// that the plugin sees what a host would send; results of earlier runs are not carried over.
PI::COperation OperationRequest(const std::vector<PI::CObject>& topology, std::uint64_t id, std::int32_t code) {
    PI::COperation request(code);
    for (const auto& object : topology) {
        if (object.m_ID != id) {
            continue;
        }
        for (const auto& offered : object.m_Operations) {
            if (offered.m_Code != code) {
                continue;
            }
            request.m_Code2 = offered.m_Code2;
            request.m_Kind = offered.m_Kind;
            for (int i = 0; i < 6; ++i) {
                request.m_Block[i] = offered.m_Block[i];
            }
            request.m_Flag = offered.m_Flag;
        }
    }
    return request;
}

const PI::CObject* FindObject(const std::vector<PI::CObject>& topology, std::uint64_t id) {
    for (const auto& object : topology) {
        if (object.m_ID == id) {
            return &object;
        }
    }
    return nullptr;
}

std::string ObjectLabel(const std::vector<PI::CObject>& topology, std::uint64_t id) {
    const PI::CObject* object = FindObject(topology, id);
    std::string label = std::string(object ? KindName(KindOf(*object)) : "object") + " " + FormatId(id);
    if (object && !DisplayName(*object).empty()) {
        label += " " + QuotedText(DisplayName(*object));
    }
    return label;
}

// Standard output is a pipe whose reader has gone (or is otherwise broken): nothing written will arrive.
bool StdoutGone() {
    pollfd fd{STDOUT_FILENO, 0, 0};
    return ::poll(&fd, 1, 0) == 1 && (fd.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
}

// Sleeps until the time, waking early for a stop request or when standard output goes away (watch | head).
void SleepUntil(Clock::time_point until) {
    while (!StopRequested() && !StdoutGone()) {
        const Clock::time_point now = Clock::now();
        if (now >= until) {
            return;
        }
        pollfd fd{STDOUT_FILENO, 0, 0};
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(until - now).count();
        ::poll(&fd, 1, static_cast<int>(std::min<long long>(wait + 1, 50)));
    }
}

// watch's rhythm: a tick every second from the start; with --for, the last one at the deadline.
class WatchTicks {
public:
    explicit WatchTicks(double forSeconds)
        : start_(Clock::now()), bounded_(forSeconds > 0),
          deadline_(start_ + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(forSeconds))) {}

    // Sleeps until the tick after this one; false, at once, when the --for time is over.
    bool WaitFor(unsigned tick) const {
        if (bounded_ && Clock::now() >= deadline_) {
            return false;
        }
        Clock::time_point next = start_ + std::chrono::seconds(tick);
        if (bounded_ && next > deadline_) {
            next = deadline_;
        }
        SleepUntil(next);
        return true;
    }

private:
    Clock::time_point start_;
    bool bounded_;
    Clock::time_point deadline_;
};

bool HasAdapter(const std::vector<PI::CObject>& topology) {
    return std::any_of(topology.begin(), topology.end(),
                       [](const PI::CObject& o) { return KindOf(o) == ObjectKind::Adapter; });
}

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Why a plugin call about an object failed, when the topology tells: the object lacks the property or operation.
std::string MissingItem(const std::vector<PI::CObject>& topology, std::uint64_t id, bool property, std::int32_t code) {
    const PI::CObject* object = FindObject(topology, id);
    if (!object) {
        return "the plugin shows no object " + FormatId(id);
    }
    const bool offered = property ? FindProperty(*object, code) != nullptr
                                  : std::any_of(object->m_Operations.begin(), object->m_Operations.end(),
                                                [code](const PI::COperation& o) { return o.m_Code == code; });
    if (offered) {
        return std::string();
    }
    return ObjectLabel(topology, id) + (property ? " has no property " : " offers no operation ") +
           CodeLabel(property ? CodeNames::Table::Property : CodeNames::Table::Operation, code);
}

// One line of input: through libedit on a terminal (line editing and history), else from the stream.
bool ReadCommandLine(std::istream& in, bool interactive, std::string& line) {
    if (!interactive) {
        return static_cast<bool>(std::getline(in, line));
    }
    static const bool prepared = [] {
        // The prompt stays off standard output (documents only with --json), and Ctrl-C reaches pihost's own
        // handler, which ends the read.
        rl_outstream = stderr;
        rl_catch_signals = 0;
        return true;
    }();
    (void)prepared;
    char* text = readline("pihost> ");
    if (!text) {
        return false;
    }
    line = text;
    std::free(text);
    if (line.find_first_not_of(" \t") != std::string::npos) {
        add_history(line.c_str());
    }
    return true;
}

// Why the plugin could not save piDorv.ini, as far as a look at the folder tells.
std::string SaveProblem(const std::string& file) {
    struct stat info;
    if (::stat(file.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            return "it is a folder";
        }
        const int fd = ::open(file.c_str(), O_RDONLY);
        if (fd < 0) {
            return "it cannot be read: " + std::string(std::strerror(errno));
        }
        ::close(fd);
    }
    std::string probe = std::filesystem::path(file).parent_path().string() + "/.piDorv.ini.XXXXXX";
    const int fd = ::mkstemp(&probe[0]);
    if (fd < 0) {
        return "its folder cannot be written: " + std::string(std::strerror(errno));
    }
    ::close(fd);
    ::unlink(probe.c_str());
    return "the plugin's write failed";
}

std::uint64_t PluginUpdateCounter(const std::vector<PI::CObject>& topology) {
    for (const auto& object : topology) {
        if (KindOf(object) == ObjectKind::Plugin) {
            return object.m_UpdateCounter;
        }
    }
    return 0;
}

std::string PollIntervalText(const std::vector<PI::CObject>& topology) {
    for (const auto& object : topology) {
        if (KindOf(object) != ObjectKind::Plugin) {
            continue;
        }
        const PI::CProperty* p = FindProperty(object, Codes::PROPERTY_POLL_INTERVAL);
        if (p && p->Number()) {
            return std::to_string(p->Number()->value) + " s";
        }
    }
    return "its poll interval";
}
} // namespace

namespace {
int g_outputErrno = 0;
} // namespace

bool FlushOutput(std::ostream& out) {
    errno = 0;
    out.flush();
    if (!out && g_outputErrno == 0) {
        g_outputErrno = errno ? errno : EIO;
    }
    return static_cast<bool>(out);
}

int OutputErrno() {
    return g_outputErrno;
}

int ReportFailure(std::ostream& out, std::ostream& err, bool json, const std::string& command, ErrorKind kind,
                  const std::string& message, int exitCode, std::uint32_t status,
                  const std::vector<std::string>& warnings) {
    err << "pihost: " << message << "\n";
    if (json) {
        out << JsonDocument(command).Status(status).Error(kind, message).Warnings(warnings).Finish() << "\n";
    }
    FlushOutput(out);
    return exitCode;
}

bool ParseOrReport(const std::vector<std::string>& args, bool json, Request& request, std::ostream& out,
                   std::ostream& err, int& exitCode) {
    std::ostringstream errors;
    const ParseOutcome parsed = ParseCommandLine(args, request, out, errors);
    if (parsed.run) {
        return true;
    }
    exitCode = WorstExit(exitCode, parsed.exitCode);
    if (parsed.exitCode == 0) {
        return false;
    }
    std::string message = errors.str();
    while (!message.empty() && message.back() == '\n') {
        message.pop_back();
    }
    const std::string prefix = "pihost: ";
    if (message.compare(0, prefix.size(), prefix) == 0) {
        message.erase(0, prefix.size());
    }
    const bool asked = json || std::find(args.begin(), args.end(), "--json") != args.end();
    ReportFailure(out, err, asked, CommandNameOf(args), ErrorKind::Usage, message, parsed.exitCode);
    return false;
}

int ShowMirror(const Request& r, const std::string& path, std::ostream& out, std::ostream& err) {
    const std::vector<std::string> names = r.table.empty() ? MirrorTableNames() : std::vector<std::string>{r.table};
    std::vector<TableRows> tables;
    std::string error;
    if (!ReadTables(path, names, tables, error)) {
        return ReportFailure(out, err, r.options.json, r.commandName, ErrorKind::Input, error, EXIT_USAGE);
    }
    if (r.options.json) {
        out << JsonDocument(r.commandName).Status(0).Tables(tables).Finish() << "\n";
    } else {
        PrintTables(out, tables);
    }
    FlushOutput(out);
    return EXIT_OK;
}

void Host::Line(const std::string& text) {
    *out_ << text << "\n";
    FlushOutput(*out_);
}

bool Host::OutputBroken() const {
    return !*out_ || StdoutGone();
}

int Host::Fail(const Request& r, ErrorKind kind, const std::string& message, int exitCode, std::uint32_t status) {
    return ReportFailure(*out_, err_, r.options.json, r.commandName, kind, message, exitCode, status, warnings_);
}

int Host::Outcome(const Request& r, const char* what, std::uint32_t status, const std::string& cause) {
    if (status == 0) {
        return EXIT_OK;
    }
    failure_ = r.commandName + ": " + (cause.empty() ? std::string() : cause + " (") + what + " returned " +
               FormatStatus(status) + (cause.empty() ? "" : ")");
    err_ << "pihost: " << failure_ << "\n";
    return EXIT_PLUGIN_STATUS;
}

JsonDocument& Host::Stamp(JsonDocument& document, std::uint32_t status) {
    document.Status(status);
    if (status != 0 && !failure_.empty()) {
        document.Error(ErrorKind::Plugin, failure_);
    }
    return document.Warnings(warnings_);
}

std::uint32_t Host::FetchTopology(const Request& r, std::vector<PI::CObject>& topology) {
    const std::uint32_t status = session_.Topology(topology);
    if (status != 0) {
        // GetTopology does not fail; should it, the object is looked up in whatever came back.
        Outcome(r, "GetTopology", status);
    }
    if (!HasAdapter(topology) && warnings_.empty()) {
        warnings_.push_back(NoAdapterWarning(Environment("LUMO_FAULT"), Environment("LUMO_DEVICE_TREE")));
        err_ << "pihost: warning: " << warnings_.back() << "\n";
    }
    return status;
}

bool Host::Resolve(const Request& r, std::uint64_t& id, std::vector<PI::CObject>& topology) {
    FetchTopology(r, topology);
    std::string error;
    if (!ResolveObject(r.object, topology, id, error)) {
        Fail(r, ErrorKind::Input, r.commandName + ": " + error, EXIT_USAGE);
        return false;
    }
    return true;
}

int Host::Run(const Request& r) {
    warnings_.clear();
    failure_.clear();
    if (r.command == Command::Watch) {
        return Watch(r);
    }
    // The result is held back until the command has ended: an interrupted command prints none.
    std::ostringstream result;
    std::ostream* const out = out_;
    out_ = &result;
    int exitCode = EXIT_OK;
    try {
        exitCode = Dispatch(r);
    } catch (...) {
        out_ = out;
        throw;
    }
    out_ = out;
    if (StopRequested()) {
        return 128 + StopSignal();
    }
    *out_ << result.str();
    FlushOutput(*out_);
    return exitCode;
}

int Host::Dispatch(const Request& r) {
    switch (r.command) {
    case Command::Topology:
        return Topology(r);
    case Command::Properties:
        return Properties(r);
    case Command::Get:
        return Get(r);
    case Command::Set:
        return Set(r);
    case Command::Operations:
        return Operations(r);
    case Command::Run:
        return RunOperation(r);
    case Command::Db:
        return ShowMirror(r, options_.db, *out_, err_);
    case Command::Check:
        return Check(r);
    case Command::Metrics:
        return Metrics(r);
    case Command::Version:
        return Version(r);
    case Command::Watch:
    case Command::Shell:
        break;
    }
    return Fail(r, ErrorKind::Usage, r.commandName + " cannot be started from within the shell", EXIT_USAGE);
}

int Host::Topology(const Request& r) {
    std::vector<PI::CObject> objects;
    const std::uint32_t status = FetchTopology(r, objects);
    if (r.options.json) {
        JsonDocument document(r.commandName);
        Line(Stamp(document, status).Objects(objects).Finish());
    } else {
        PrintTopology(*out_, objects);
    }
    if (status != 0) {
        return EXIT_PLUGIN_STATUS;
    }
    return HasAdapter(objects) ? EXIT_OK : EXIT_NO_ADAPTER;
}

int Host::Properties(const Request& r) {
    std::vector<PI::CObject> topology;
    std::uint64_t id = 0;
    if (!Resolve(r, id, topology)) {
        return EXIT_USAGE;
    }
    std::vector<PI::CProperty> properties;
    const std::uint32_t status = session_.Properties(id, properties);
    const int exitCode = Outcome(r, "GetProperties", status);
    if (r.options.json) {
        JsonDocument document(r.commandName);
        Line(Stamp(document, status).Target(topology, id).Properties(properties).Finish());
    } else if (status == 0) {
        *out_ << ObjectLabel(topology, id) << "\n";
        PrintProperties(*out_, properties);
    }
    return exitCode;
}

int Host::Get(const Request& r) {
    std::vector<PI::CObject> topology;
    std::uint64_t id = 0;
    if (!Resolve(r, id, topology)) {
        return EXIT_USAGE;
    }
    PI::CProperty property(r.code, false);
    const std::uint32_t status = session_.Property(id, property);
    const int exitCode =
        Outcome(r, "GetProperty", status, status ? MissingItem(topology, id, true, r.code) : std::string());
    if (r.options.json) {
        JsonDocument document(r.commandName);
        Line(Stamp(document, status).Target(topology, id).Property(property).Finish());
    } else if (status == 0) {
        Line(FormatProperty(property));
    }
    return exitCode;
}

int Host::Set(const Request& r) {
    std::vector<PI::CObject> topology;
    std::uint64_t id = 0;
    Request onPlugin = r;
    onPlugin.object = ObjectRef{ObjectRef::Kind::Plugin, 0, 0};
    if (!Resolve(onPlugin, id, topology)) {
        return EXIT_USAGE;
    }
    PI::CProperty property(Codes::PROPERTY_POLL_INTERVAL, true);
    property.SetValue(static_cast<std::int64_t>(r.pollInterval), static_cast<std::int64_t>(Codes::POLL_INTERVAL_MIN),
                      static_cast<std::int64_t>(Codes::POLL_INTERVAL_MAX), static_cast<std::int64_t>(1));
    const std::uint32_t status = session_.SetProperty(id, property);
    const std::string file =
        std::filesystem::absolute(
            std::filesystem::path(Environment("PI_CONFIG_DIR").empty() ? "." : Environment("PI_CONFIG_DIR")) /
            "piDorv.ini")
            .lexically_normal()
            .string();
    // The plugin takes the new interval before it saves it, so a failed save still changes this run.
    const int exitCode =
        Outcome(r, "SetProperty", status,
                "POLL_INTERVAL is " + std::to_string(r.pollInterval) + " s for this run, but the configuration file '" +
                    file + "' could not be saved: " + SaveProblem(file));
    if (r.options.json) {
        JsonDocument document(r.commandName);
        Line(Stamp(document, status).Target(topology, id).Property(property).Finish());
    } else if (status == 0) {
        Line("POLL_INTERVAL set to " + std::to_string(r.pollInterval) + " s (saved in " + file + ")");
    }
    return exitCode;
}

int Host::Operations(const Request& r) {
    std::vector<PI::CObject> topology;
    std::uint64_t id = 0;
    if (!Resolve(r, id, topology)) {
        return EXIT_USAGE;
    }
    std::vector<PI::COperation> operations;
    const std::uint32_t status = session_.Operations(id, operations);
    const int exitCode = Outcome(r, "GetOperations", status);
    if (r.options.json) {
        JsonDocument document(r.commandName);
        Line(Stamp(document, status).Target(topology, id).Operations(operations).Finish());
    } else if (status == 0) {
        *out_ << ObjectLabel(topology, id) << "\n";
        PrintOperations(*out_, operations);
    }
    return exitCode;
}

int Host::RunOperation(const Request& r) {
    std::vector<PI::CObject> topology;
    std::uint64_t id = 0;
    if (!Resolve(r, id, topology)) {
        return EXIT_USAGE;
    }
    PI::COperation operation = OperationRequest(topology, id, r.code);
    const std::uint32_t status = session_.Run(id, operation);
    const int exitCode =
        Outcome(r, "ExecuteOperation", status, status ? MissingItem(topology, id, false, r.code) : std::string());
    if (r.options.json) {
        JsonDocument document(r.commandName);
        Line(Stamp(document, status).Target(topology, id).Operation(operation).Finish());
    } else if (status == 0) {
        std::vector<std::string> lines = FormatOperation(operation);
        *out_ << lines.front() << " on " << ObjectLabel(topology, id) << ": done\n";
        for (std::size_t i = 1; i < lines.size(); ++i) {
            *out_ << lines[i] << "\n";
        }
        if (r.code == Codes::OPERATION_GET_EVENTS && operation.m_Events.empty()) {
            *out_ << "  no events\n";
        }
    }
    return exitCode;
}

int Host::Watch(const Request& r) {
    std::vector<PI::CObject> before;
    const std::uint32_t first = FetchTopology(r, before);
    std::uint64_t pluginId = 0;
    std::string error;
    if (!ResolveObject(ObjectRef{ObjectRef::Kind::Plugin, 0, 0}, before, pluginId, error)) {
        return Fail(r, ErrorKind::Plugin, r.commandName + ": " + error, EXIT_PLUGIN_STATUS, first);
    }
    AnnounceWatch(r, first, before);

    int exitCode = first == 0 ? EXIT_OK : EXIT_PLUGIN_STATUS;
    const CallReport report = [&](const char* what, std::uint32_t status) {
        if (status == 0) {
            return;
        }
        exitCode = Outcome(r, what, status);
        if (r.options.json) {
            JsonDocument document(r.commandName);
            Line(Stamp(document, status).Finish());
        }
    };
    const WatchTicks ticks(r.forSeconds);
    for (unsigned tick = 1; !StopRequested() && !OutputBroken(); ++tick) {
        if (r.scan) {
            ForceScan(before, report);
        }
        PrintEvents(r, PollEvents(before, pluginId, report));
        PrintChanges(r, before, report);
        if (!ticks.WaitFor(tick)) {
            break;
        }
    }
    if (OutputBroken()) {
        // A write that failed is reported with its reason when pihost ends; a reader that went away is not.
        if (*out_) {
            err_ << "pihost: standard output was closed; watch ends\n";
        }
        return EXIT_OUTPUT;
    }
    return exitCode;
}

void Host::AnnounceWatch(const Request& r, std::uint32_t first, const std::vector<PI::CObject>& topology) {
    // Adapters may still come (an edited device tree): the warning is a line of its own, and watch goes on.
    if (r.options.json) {
        if (first != 0 || !warnings_.empty()) {
            JsonDocument document(r.commandName);
            Line(Stamp(document, first).Finish());
        }
        return;
    }
    err_ << "pihost: watching " << topology.size() << (topology.size() == 1 ? " object" : " objects")
         << "; the plugin re-reads the device tree every " << PollIntervalText(topology)
         << (r.scan ? " and on every scan" : "") << ". Ctrl-C ends.\n";
}

std::vector<PI::CEvent> Host::PollEvents(const std::vector<PI::CObject>& topology, std::uint64_t pluginId,
                                         const CallReport& report) {
    PI::COperation getEvents = OperationRequest(topology, pluginId, Codes::OPERATION_GET_EVENTS);
    report("GET_EVENTS", session_.Run(pluginId, getEvents));
    return getEvents.m_Events;
}

void Host::PrintEvents(const Request& r, const std::vector<PI::CEvent>& events) {
    for (std::size_t i = 0; i < events.size();) {
        if (r.options.json) {
            Line(JsonDocument(r.commandName).Event(events[i++]).Finish());
            continue;
        }
        // Identical events in a row (repeated scan requests) read better as one line with a count.
        std::size_t same = 1;
        while (i + same < events.size() && events[i + same] == events[i]) {
            ++same;
        }
        Line("event   " + FormatEvent(events[i]) + (same > 1 ? " (" + std::to_string(same) + " times)" : ""));
        i += same;
    }
}

void Host::PrintChanges(const Request& r, std::vector<PI::CObject>& before, const CallReport& report) {
    std::vector<PI::CObject> now;
    const std::uint32_t status = session_.Topology(now);
    report("GetTopology", status);
    if (status != 0) {
        return;
    }
    for (const auto& change : DiffTopology(before, now)) {
        Line(r.options.json ? JsonDocument(r.commandName).ChangeItem(change).Finish()
                            : "change  " + FormatTime(std::time(nullptr)) + "  " + FormatChange(change));
    }
    before.swap(now);
}

int Host::Check(const Request& r) {
    std::vector<PI::CObject> topology;
    const std::uint32_t status = FetchTopology(r, topology);
    const CheckResult result = status == 0 ? EvaluateCheck(topology, warnings_) : UnknownCheck(failure_);
    if (r.checkResult) {
        *r.checkResult = result;
    } else {
        PrintCheck(*out_, r.options.json, result);
    }
    return static_cast<int>(result.state);
}

int Host::Metrics(const Request& r) {
    std::vector<PI::CObject> topology;
    const std::uint32_t status = FetchTopology(r, topology);
    const std::string text = FormatMetrics(topology, std::time(nullptr));
    std::string error;
    if (status == 0 && !r.metricsOutput.empty() && !WriteFileAtomically(r.metricsOutput, text, error)) {
        return Fail(r, ErrorKind::Output, r.commandName + ": " + error, EXIT_OUTPUT);
    }
    if (r.options.json) {
        JsonDocument document(r.commandName);
        Line(Stamp(document, status).Metrics(text, r.metricsOutput).Finish());
    } else if (status == 0 && r.metricsOutput.empty()) {
        *out_ << text;
    }
    return status == 0 ? EXIT_OK : EXIT_PLUGIN_STATUS;
}

int Host::Version(const Request& r) {
    std::vector<PI::CObject> topology;
    const std::uint32_t status = session_.Topology(topology);
    const int exitCode = Outcome(r, "GetTopology", status);
    std::string plugin;
    for (const auto& object : topology) {
        if (const PI::CProperty* p = FindProperty(object, Codes::PROPERTY_VERSION);
            p && p->String() && KindOf(object) == ObjectKind::Plugin) {
            plugin = p->String()->text;
        }
    }
    if (r.options.json) {
        JsonDocument document(r.commandName);
        Line(Stamp(document, status).Version(PIHOST_VERSION, plugin).Finish());
    } else {
        *out_ << "pihost " << PIHOST_VERSION << "\nplugin " << (plugin.empty() ? "(no VERSION)" : Printable(plugin))
              << "\n";
    }
    return exitCode;
}

void Host::ForceScan(const std::vector<PI::CObject>& topology, const CallReport& report) {
    std::uint64_t adapterId = 0;
    std::string error;
    if (!ResolveObject(ObjectRef{ObjectRef::Kind::Adapter, 0, 0}, topology, adapterId, error)) {
        return;
    }
    // The scan event wakes the plugin's worker while the operation still holds the plugin's data lock, and a
    // worker that finds the lock taken skips that cycle. Every worker cycle that runs moves the plugin object's
    // update counter, so the request is repeated a few times until the counter shows the cycle ran.
    const std::uint64_t counter = PluginUpdateCounter(topology);
    const int attempts = 8;
    for (int attempt = 0; attempt < attempts && !StopRequested(); ++attempt) {
        PI::COperation scan = OperationRequest(topology, adapterId, Codes::OPERATION_SCAN_CONFIGURATION);
        const std::uint32_t status = session_.Run(adapterId, scan);
        report("SCAN_CONFIGURATION", status);
        if (status != 0) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
        std::vector<PI::CObject> probe;
        if (session_.Topology(probe) == 0 && PluginUpdateCounter(probe) != counter) {
            return;
        }
    }
}

int Host::Shell(std::istream& in, bool interactive) {
    int worst = EXIT_OK;
    bool quit = false;
    std::string line;
    while (!quit && !StopRequested() && !OutputBroken() && ReadCommandLine(in, interactive, line)) {
        worst = WorstExit(worst, ShellLine(line, quit));
    }
    if (interactive && !StopRequested()) {
        err_ << "\n";
    }
    return StopRequested() ? WorstExit(worst, 128 + StopSignal()) : worst;
}

int Host::ShellLine(const std::string& line, bool& quit) {
    std::vector<std::string> words;
    std::string error;
    if (!SplitLine(line, words, error)) {
        return ReportFailure(*out_, err_, options_.json, "", ErrorKind::Usage, error, EXIT_USAGE);
    }
    if (words.empty()) {
        return EXIT_OK;
    }
    if (words.size() == 1 && (words[0] == "quit" || words[0] == "exit")) {
        quit = true;
        return EXIT_OK;
    }
    if (words.size() == 1 && words[0] == "help") {
        words[0] = "--help";
    }

    Request request;
    int exitCode = EXIT_OK;
    if (!ParseOrReport(words, options_.json, request, *out_, err_, exitCode)) {
        return exitCode;
    }
    request.options.json = request.options.json || options_.json;
    if (!request.loadOptions.empty()) {
        return Fail(request, ErrorKind::Usage,
                    request.loadOptions.front() +
                        " takes effect only when the plugin is loaded; give it before 'shell'",
                    EXIT_USAGE);
    }
    return Run(request);
}

} // namespace pihost
