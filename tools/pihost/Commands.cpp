#include "Commands.h"

#include <algorithm>
#include <chrono>
#include <sstream>
#include <thread>

#include "Format.h"
#include "HostCodes.h"
#include "JsonOut.h"
#include "LineSplit.h"
#include "MirrorDatabase.h"
#include "Monitoring.h"
#include "ObjectKind.h"
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
        if (object.m_ID != id)
            continue;
        for (const auto& offered : object.m_Operations) {
            if (offered.m_Code != code)
                continue;
            request.m_Code2 = offered.m_Code2;
            request.m_Kind = offered.m_Kind;
            for (int i = 0; i < 6; ++i)
                request.m_Block[i] = offered.m_Block[i];
            request.m_Flag = offered.m_Flag;
        }
    }
    return request;
}

const PI::CObject* FindObject(const std::vector<PI::CObject>& topology, std::uint64_t id) {
    for (const auto& object : topology)
        if (object.m_ID == id)
            return &object;
    return nullptr;
}

std::string ObjectLabel(const std::vector<PI::CObject>& topology, std::uint64_t id) {
    const PI::CObject* object = FindObject(topology, id);
    std::string label = std::string(object ? KindName(KindOf(*object)) : "object") + " " + FormatId(id);
    if (object && !DisplayName(*object).empty())
        label += " \"" + DisplayName(*object) + "\"";
    return label;
}

// Sleeps until the time, waking early for a stop request.
void SleepUntil(Clock::time_point until) {
    while (!StopRequested()) {
        const Clock::time_point now = Clock::now();
        if (now >= until)
            return;
        std::this_thread::sleep_for(std::min<Clock::duration>(until - now, std::chrono::milliseconds(50)));
    }
}

std::uint64_t PluginUpdateCounter(const std::vector<PI::CObject>& topology) {
    for (const auto& object : topology)
        if (KindOf(object) == ObjectKind::Plugin)
            return object.m_UpdateCounter;
    return 0;
}

std::string PollIntervalText(const std::vector<PI::CObject>& topology) {
    for (const auto& object : topology) {
        if (KindOf(object) != ObjectKind::Plugin)
            continue;
        const PI::CProperty* p = FindProperty(object, Codes::PROPERTY_POLL_INTERVAL);
        if (p && p->Number())
            return std::to_string(p->Number()->value) + " s";
    }
    return "its poll interval";
}
} // namespace

void Host::Line(const std::string& text) {
    out_ << text << "\n";
    out_.flush();
}

int Host::UsageError(const std::string& command, bool json, const std::string& message) {
    err_ << "pihost: " << message << "\n";
    // In the shell every command line answers with one document, errors included.
    if (json && shell_)
        Line(JsonDocument(command).Error(ErrorKind::Usage, message).Finish());
    return EXIT_USAGE;
}

int Host::UsageError(const Request& r, const std::string& message) {
    return UsageError(r.commandName, r.options.json, message);
}

int Host::Outcome(const Request& r, const char* what, std::uint32_t status) {
    if (status == 0)
        return 0;
    err_ << "pihost: " << r.commandName << ": " << what << " returned " << FormatStatus(status) << "\n";
    return EXIT_PLUGIN_STATUS;
}

bool Host::Resolve(const Request& r, std::uint64_t& id, std::vector<PI::CObject>& topology) {
    const std::uint32_t status = session_.Topology(topology);
    if (status != 0) {
        // GetTopology does not fail; should it, the object is looked up in whatever came back.
        Outcome(r, "GetTopology", status);
    }
    std::string error;
    if (!ResolveObject(r.object, topology, id, error)) {
        UsageError(r, error);
        return false;
    }
    return true;
}

int Host::Run(const Request& r) {
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
    case Command::Watch:
        return Watch(r);
    case Command::Db:
        return Db(r);
    case Command::Shell:
        return UsageError(r, "shell cannot be started from within the shell");
    case Command::Check:
        return CheckCommand(session_, r, out_);
    case Command::Metrics:
        return MetricsCommand(session_, r, out_, err_);
    case Command::Version:
        return VersionCommand(session_, r, out_);
    }
    return EXIT_USAGE;
}

int Host::Topology(const Request& r) {
    std::vector<PI::CObject> objects;
    const std::uint32_t status = session_.Topology(objects);
    if (r.options.json)
        Line(JsonDocument(r.commandName).Status(status).Objects(objects).Finish());
    else
        PrintTopology(out_, objects);
    return Outcome(r, "GetTopology", status);
}

int Host::Properties(const Request& r) {
    std::vector<PI::CObject> topology;
    std::uint64_t id = 0;
    if (!Resolve(r, id, topology))
        return EXIT_USAGE;
    std::vector<PI::CProperty> properties;
    const std::uint32_t status = session_.Properties(id, properties);
    if (r.options.json) {
        Line(JsonDocument(r.commandName).Status(status).Target(topology, id).Properties(properties).Finish());
    } else if (status == 0) {
        out_ << ObjectLabel(topology, id) << "\n";
        PrintProperties(out_, properties);
    }
    return Outcome(r, "GetProperties", status);
}

int Host::Get(const Request& r) {
    std::vector<PI::CObject> topology;
    std::uint64_t id = 0;
    if (!Resolve(r, id, topology))
        return EXIT_USAGE;
    PI::CProperty property(r.code, false);
    const std::uint32_t status = session_.Property(id, property);
    if (r.options.json)
        Line(JsonDocument(r.commandName).Status(status).Target(topology, id).Property(property).Finish());
    else if (status == 0)
        Line(FormatProperty(property));
    return Outcome(r, "GetProperty", status);
}

int Host::Set(const Request& r) {
    std::vector<PI::CObject> topology;
    std::uint64_t id = 0;
    Request onPlugin = r;
    onPlugin.object = ObjectRef{ObjectRef::Kind::Plugin, 0, 0};
    if (!Resolve(onPlugin, id, topology))
        return EXIT_USAGE;
    PI::CProperty property(Codes::PROPERTY_POLL_INTERVAL, true);
    property.SetValue(static_cast<std::int64_t>(r.pollInterval), static_cast<std::int64_t>(Codes::POLL_INTERVAL_MIN),
                      static_cast<std::int64_t>(Codes::POLL_INTERVAL_MAX), static_cast<std::int64_t>(1));
    const std::uint32_t status = session_.SetProperty(id, property);
    if (r.options.json)
        Line(JsonDocument(r.commandName).Status(status).Target(topology, id).Property(property).Finish());
    else if (status == 0)
        Line("POLL_INTERVAL set to " + std::to_string(r.pollInterval) + " s (saved in piDorv.ini)");
    return Outcome(r, "SetProperty", status);
}

int Host::Operations(const Request& r) {
    std::vector<PI::CObject> topology;
    std::uint64_t id = 0;
    if (!Resolve(r, id, topology))
        return EXIT_USAGE;
    std::vector<PI::COperation> operations;
    const std::uint32_t status = session_.Operations(id, operations);
    if (r.options.json) {
        Line(JsonDocument(r.commandName).Status(status).Target(topology, id).Operations(operations).Finish());
    } else if (status == 0) {
        out_ << ObjectLabel(topology, id) << "\n";
        PrintOperations(out_, operations);
    }
    return Outcome(r, "GetOperations", status);
}

int Host::RunOperation(const Request& r) {
    std::vector<PI::CObject> topology;
    std::uint64_t id = 0;
    if (!Resolve(r, id, topology))
        return EXIT_USAGE;
    PI::COperation operation = OperationRequest(topology, id, r.code);
    const std::uint32_t status = session_.Run(id, operation);
    if (r.options.json) {
        Line(JsonDocument(r.commandName).Status(status).Target(topology, id).Operation(operation).Finish());
    } else if (status == 0) {
        std::vector<std::string> lines = FormatOperation(operation);
        out_ << lines.front() << " on " << ObjectLabel(topology, id) << ": done\n";
        for (std::size_t i = 1; i < lines.size(); ++i)
            out_ << lines[i] << "\n";
        if (r.code == Codes::OPERATION_GET_EVENTS && operation.m_Events.empty())
            out_ << "  no events\n";
        out_.flush();
    }
    return Outcome(r, "ExecuteOperation", status);
}

int Host::Watch(const Request& r) {
    const bool json = r.options.json;
    std::vector<PI::CObject> before;
    int exitCode = Outcome(r, "GetTopology", session_.Topology(before));
    std::uint64_t pluginId = 0;
    std::string error;
    if (!ResolveObject(ObjectRef{ObjectRef::Kind::Plugin, 0, 0}, before, pluginId, error))
        return UsageError(r, error);
    if (!json)
        err_ << "pihost: watching " << before.size() << (before.size() == 1 ? " object" : " objects")
             << "; the plugin re-reads the device tree every " << PollIntervalText(before)
             << (r.scan ? " and on every scan" : "") << ". Ctrl-C ends.\n";

    const std::function<void(const char*, std::uint32_t)> report = [&](const char* what, std::uint32_t status) {
        if (status == 0)
            return;
        if (json)
            Line(JsonDocument(r.commandName).Status(status).Error(ErrorKind::Plugin, what).Finish());
        exitCode = Outcome(r, what, status);
    };

    const Clock::time_point start = Clock::now();
    const bool bounded = r.forSeconds > 0;
    const Clock::time_point deadline =
        start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(r.forSeconds));
    for (unsigned tick = 1; !StopRequested(); ++tick) {
        if (r.scan)
            ForceScan(before, report);
        PI::COperation getEvents = OperationRequest(before, pluginId, Codes::OPERATION_GET_EVENTS);
        const std::uint32_t eventsStatus = session_.Run(pluginId, getEvents);
        report("GET_EVENTS", eventsStatus);
        const std::vector<PI::CEvent>& events = getEvents.m_Events;
        for (std::size_t i = 0; i < events.size();) {
            if (json) {
                Line(JsonDocument(r.commandName).Event(events[i++]).Finish());
                continue;
            }
            // Identical events in a row (repeated scan requests) read better as one line with a count.
            std::size_t same = 1;
            while (i + same < events.size() && events[i + same] == events[i])
                ++same;
            Line("event   " + FormatEvent(events[i]) + (same > 1 ? " (" + std::to_string(same) + " times)" : ""));
            i += same;
        }

        std::vector<PI::CObject> now;
        const std::uint32_t topologyStatus = session_.Topology(now);
        report("GetTopology", topologyStatus);
        if (topologyStatus == 0) {
            for (const auto& change : DiffTopology(before, now))
                Line(json ? JsonDocument(r.commandName).ChangeItem(change).Finish()
                          : "change  " + FormatTime(std::time(nullptr)) + "  " + FormatChange(change));
            before.swap(now);
        }

        if (bounded && Clock::now() >= deadline)
            break;
        Clock::time_point next = start + std::chrono::seconds(tick);
        if (bounded && next > deadline)
            next = deadline;
        SleepUntil(next);
    }
    return exitCode;
}

void Host::ForceScan(const std::vector<PI::CObject>& topology,
                     const std::function<void(const char*, std::uint32_t)>& report) {
    std::uint64_t adapterId = 0;
    std::string error;
    if (!ResolveObject(ObjectRef{ObjectRef::Kind::Adapter, 0, 0}, topology, adapterId, error))
        return;
    // The scan event wakes the plugin's worker while the operation still holds the plugin's data lock, and a
    // worker that finds the lock taken skips that cycle. Every worker cycle that runs moves the plugin object's
    // update counter, so the request is repeated a few times until the counter shows the cycle ran.
    const std::uint64_t counter = PluginUpdateCounter(topology);
    const int attempts = 8;
    for (int attempt = 0; attempt < attempts && !StopRequested(); ++attempt) {
        PI::COperation scan = OperationRequest(topology, adapterId, Codes::OPERATION_SCAN_CONFIGURATION);
        const std::uint32_t status = session_.Run(adapterId, scan);
        report("SCAN_CONFIGURATION", status);
        if (status != 0)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
        std::vector<PI::CObject> probe;
        if (session_.Topology(probe) == 0 && PluginUpdateCounter(probe) != counter)
            return;
    }
}

int Host::Db(const Request& r) {
    // Outside the shell the rows are read once the plugin has stopped writing them.
    std::uint32_t status = 0;
    if (!shell_)
        status = session_.End();
    const std::vector<std::string> names = r.table.empty() ? MirrorTableNames() : std::vector<std::string>{r.table};
    std::vector<TableRows> tables;
    std::string error;
    if (!ReadTables(options_.db, names, tables, error))
        return UsageError(r, error);
    if (r.options.json)
        Line(JsonDocument(r.commandName).Status(status).Tables(tables).Finish());
    else
        PrintTables(out_, tables);
    return Outcome(r, "DeInitialize", status);
}

int Host::Shell(std::istream& in, bool interactive) {
    int last = 0;
    std::string line;
    while (!StopRequested()) {
        if (interactive)
            err_ << "pihost> " << std::flush;
        if (!std::getline(in, line)) {
            if (interactive)
                err_ << "\n";
            break;
        }
        std::vector<std::string> words;
        std::string error;
        if (!SplitLine(line, words, error)) {
            last = UsageError("", options_.json, error);
            continue;
        }
        if (words.empty())
            continue;
        if (words.size() == 1 && (words[0] == "quit" || words[0] == "exit"))
            break;
        if (words.size() == 1 && words[0] == "help")
            words[0] = "--help";

        Request request;
        std::ostringstream parseErrors;
        const ParseOutcome parsed = ParseCommandLine(words, request, out_, parseErrors);
        if (!parsed.run) {
            last = parsed.exitCode;
            if (parsed.exitCode != 0) {
                std::string message = parseErrors.str();
                while (!message.empty() && message.back() == '\n')
                    message.pop_back();
                err_ << message << "\n";
                const std::string prefix = "pihost: ";
                if (message.compare(0, prefix.size(), prefix) == 0)
                    message.erase(0, prefix.size());
                if (options_.json)
                    Line(JsonDocument(words[0]).Error(ErrorKind::Usage, message).Finish());
            }
            continue;
        }
        request.options.json = request.options.json || options_.json;
        if (!request.loadOptions.empty()) {
            last = UsageError(request, request.loadOptions.front() +
                                           " takes effect only when the plugin is loaded; give it before 'shell'");
            continue;
        }
        last = Run(request);
        out_.flush();
    }
    return last;
}

} // namespace pihost
