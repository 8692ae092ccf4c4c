#include "Program.h"

#include <cstdlib>

#include <unistd.h>

#include "Commands.h"
#include "Format.h"
#include "JsonOut.h"
#include "MirrorDatabase.h"
#include "PluginLoader.h"
#include "PluginSession.h"

namespace pihost {
namespace {

int Usage(std::ostream& err, const std::string& message) {
    err << "pihost: " << message << "\n";
    return EXIT_USAGE;
}

// A lifecycle step of the plugin failed: its status on standard error, and as the run's document with --json.
int LifecycleFailure(const Request& r, std::ostream& out, std::ostream& err, const char* step, std::uint32_t status) {
    const std::string message = std::string(step) + " returned " + FormatStatus(status);
    err << "pihost: " << message << "\n";
    if (r.options.json)
        out << JsonDocument(r.commandName).Status(status).Error(ErrorKind::Plugin, message).Finish() << "\n";
    return EXIT_PLUGIN_STATUS;
}

void SetIfGiven(const char* name, const std::string& value) {
    if (!value.empty())
        ::setenv(name, value.c_str(), 1);
}
} // namespace

void ApplyEnvironment(const GlobalOptions& o) {
    ::setenv("PI_DATABASE", o.db.c_str(), 1);
    SetIfGiven("PI_CONFIG_DIR", o.configDir);
    SetIfGiven("TLX_TRACE_MASK", o.trace);
    SetIfGiven("TLX_TRACE_FILE", o.traceFile);
    SetIfGiven("LUMO_DEVICE_TREE", o.deviceTree);
    SetIfGiven("LUMO_FAULT", o.fault);
}

int RunProgram(const Request& request, std::istream& in, std::ostream& out, std::ostream& err) {
    const GlobalOptions& o = request.options;
    std::string error;
    if (!CheckDatabasePath(o.db, error))
        return Usage(err, error);
    std::string path = o.plugin;
    if (path.empty() && !FindPlugin(PluginCandidates(BinaryDir()), path, error))
        return Usage(err, error);

    // Before dlopen: the libraries read these when they load and at first use.
    ApplyEnvironment(o);
    PluginLibrary library;
    if (!library.Open(path, error))
        return Usage(err, error);

    PluginInstance plugin(library);
    const std::uint32_t created = plugin.Create();
    if (created != 0 || !plugin.Created())
        return LifecycleFailure(request, out, err, "createIf", created);

    int exitCode = 0;
    {
        // Check, metrics and version print what monitors and scripts parse: the plugin's own line goes aside.
        const bool machineOutput = request.command == Command::Check || request.command == Command::Metrics ||
                                   request.command == Command::Version;
        PluginSession session(plugin, o.json || machineOutput);
        const std::uint32_t initialized = session.Initialize();
        if (initialized != 0)
            return LifecycleFailure(request, out, err, "Initialize", initialized);
        const bool worker = request.command == Command::Watch || request.command == Command::Shell;
        if (worker) {
            const std::uint32_t started = session.StartWorker();
            if (started != 0)
                return LifecycleFailure(request, out, err, "SetAdapterIDs", started);
        }
        Host host(session, o, request.command == Command::Shell, out, err);
        exitCode = request.command == Command::Shell ? host.Shell(in, ::isatty(STDIN_FILENO) == 1) : host.Run(request);
        out.flush();
        const std::uint32_t ended = session.End();
        if (ended != 0) {
            err << "pihost: DeInitialize returned " << FormatStatus(ended) << "\n";
            if (exitCode == 0)
                exitCode = EXIT_PLUGIN_STATUS;
        }
    }
    return exitCode;
}

} // namespace pihost
