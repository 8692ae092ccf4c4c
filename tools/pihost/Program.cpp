#include "Program.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

#include "Commands.h"
#include "Format.h"
#include "JsonOut.h"
#include "MirrorDatabase.h"
#include "Monitoring.h"
#include "PluginLoader.h"
#include "PluginSession.h"
#include "StopSignal.h"

namespace pihost {
namespace {

// A lifecycle step of the plugin failed: its status on standard error, and as the run's document with --json.
int LifecycleFailure(const Request& r, std::ostream& out, std::ostream& err, const char* step, std::uint32_t status) {
    return ReportFailure(out, err, r.options.json, r.commandName, ErrorKind::Plugin,
                         std::string(step) + " returned " + FormatStatus(status), EXIT_PLUGIN_STATUS, status);
}

void SetIfGiven(const char* name, const std::string& value) {
    if (!value.empty()) {
        ::setenv(name, value.c_str(), 1);
    }
}

// The trace library falls back to standard error when it cannot open the file; a file named on purpose must work.
bool CheckTraceFile(const std::string& path, std::string& error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = "--trace-file: cannot open '" + path + "': " + std::strerror(errno);
        return false;
    }
    ::close(fd);
    return true;
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

std::string DatabasePath(const GlobalOptions& o, bool create, std::string& error) {
    if (!o.db.empty()) {
        return o.db;
    }
    const char* named = std::getenv("PI_DATABASE");
    if (named && *named) {
        return named;
    }
    const std::string path = DefaultDatabasePath(std::getenv("XDG_STATE_HOME"), std::getenv("HOME"), error);
    if (path.empty() || !create) {
        return path;
    }
    std::error_code failed;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::filesystem::create_directories(folder, failed);
    if (failed) {
        error = "cannot create the mirror's folder '" + folder.string() + "': " + failed.message();
        return std::string();
    }
    return path;
}

int RunProgram(const Request& request, std::istream& in, std::ostream& out, std::ostream& err) {
    GlobalOptions o = request.options;
    const auto fail = [&](ErrorKind kind, const std::string& message) {
        return ReportFailure(out, err, o.json, request.commandName, kind, message, EXIT_USAGE);
    };
    std::string error;
    o.db = DatabasePath(o, request.command != Command::Db, error);
    if (o.db.empty()) {
        return fail(ErrorKind::Input, error);
    }
    // The mirror is read without the plugin: starting it would rebuild the tables a running plugin writes.
    if (request.command == Command::Db) {
        return ShowMirror(request, o.db, out, err);
    }

    if (o.db != ":memory:" && !CheckDatabasePath(o.db, error)) {
        return fail(ErrorKind::Input, error);
    }
    if (!o.traceFile.empty() && !CheckTraceFile(o.traceFile, error)) {
        return fail(ErrorKind::Usage, error);
    }
    std::string path = o.plugin;
    if (path.empty() && !FindPlugin(PluginCandidates(BinaryDir()), path, error)) {
        return fail(ErrorKind::Plugin, error);
    }

    // Before dlopen: the libraries read these when they load and at first use.
    ApplyEnvironment(o);
    PluginLibrary library;
    if (!library.Open(path, error)) {
        return fail(ErrorKind::Plugin, error);
    }

    PluginInstance plugin(library);
    const std::uint32_t created = plugin.Create();
    if (created != 0 || !plugin.Created()) {
        return LifecycleFailure(request, out, err, "createIf", created);
    }

    int exitCode = EXIT_OK;
    {
        // Check, metrics and version print what monitors and scripts parse: the plugin's own line goes aside.
        const bool machineOutput = request.command == Command::Check || request.command == Command::Metrics ||
                                   request.command == Command::Version;
        PluginSession session(plugin, o.json || machineOutput);
        const std::uint32_t initialized = session.Initialize();
        if (initialized != 0) {
            return LifecycleFailure(request, out, err, "Initialize", initialized);
        }
        const bool worker = request.command == Command::Watch || request.command == Command::Shell;
        if (worker) {
            const std::uint32_t started = session.StartWorker();
            if (started != 0) {
                return LifecycleFailure(request, out, err, "SetAdapterIDs", started);
            }
        }
        Host host(session, o, out, err);
        if (StopRequested()) {
            exitCode = 128 + StopSignal(); // during Initialize: no command is started
        } else if (request.command == Command::Shell) {
            exitCode = host.Shell(in, ::isatty(STDIN_FILENO) == 1);
        } else {
            exitCode = host.Run(request);
        }
        out.flush();
        const std::uint32_t ended = session.End();
        if (ended != 0) {
            err << "pihost: DeInitialize returned " << FormatStatus(ended) << "\n";
            exitCode = WorstExit(exitCode, EXIT_PLUGIN_STATUS);
        }
    }
    // A watch ended by Ctrl-C or SIGTERM has done what it was started for.
    if (request.command == Command::Watch && StopRequested() && exitCode != EXIT_OUTPUT) {
        return exitCode;
    }
    if (StopRequested()) {
        return WorstExit(exitCode, 128 + StopSignal());
    }
    return exitCode;
}

int Main(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
    Request request;
    int exitCode = EXIT_OK;
    // A check answers every outcome, bad usage included, with its own line and states.
    if (CommandNameOf(args) == "check") {
        exitCode = RunCheck(args, in, out, err);
    } else if (ParseOrReport(args, false, request, out, err, exitCode)) {
        try {
            exitCode = RunProgram(request, in, out, err);
        } catch (const std::exception& e) {
            // The plugin passes some exceptions through; the session and the library were released on the way.
            exitCode = ReportFailure(out, err, request.options.json, request.commandName, ErrorKind::Plugin,
                                     std::string("unexpected error: ") + e.what(), EXIT_PLUGIN_STATUS);
        } catch (...) {
            exitCode = ReportFailure(out, err, request.options.json, request.commandName, ErrorKind::Plugin,
                                     "unexpected error", EXIT_PLUGIN_STATUS);
        }
    }
    // The plugin writes to standard output through stdio as well.
    FlushOutput(out);
    errno = 0;
    const int flushed = std::fflush(stdout);
    if (!out || flushed != 0 || std::ferror(stdout)) {
        const int why = OutputErrno() ? OutputErrno() : errno;
        err << "pihost: cannot write standard output: " << (why ? std::strerror(why) : "write failed") << "\n";
        return EXIT_OUTPUT;
    }
    return exitCode;
}

} // namespace pihost
