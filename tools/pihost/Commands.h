// The commands of pihost on an initialised plugin session, and `db`, which reads the mirror without one. Each
// returns the exit status (ExitStatus.h).
#pragma once
#include <cstdint>
#include <functional>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "ExitStatus.h"
#include "JsonOut.h"
#include "PluginSession.h"
#include "codes/HostCodes.h"

namespace pihost {

// The status a failure that the plugin did not answer carries in a document.
const std::uint32_t STATUS_GENERAL = HostCodes::Status::GENERAL;

// Flushes standard output; the first failure's errno is kept for the final message (OutputErrno).
bool FlushOutput(std::ostream& out);
int OutputErrno();

// A failure: "pihost: message" on standard error and, with json, the run's document carrying the error.
int ReportFailure(std::ostream& out, std::ostream& err, bool json, const std::string& command, ErrorKind kind,
                  const std::string& message, int exitCode, std::uint32_t status = STATUS_GENERAL,
                  const std::vector<std::string>& warnings = {});

// Parses a command line; a bad one is reported (with json, as a document) and its status merged into exitCode.
bool ParseOrReport(const std::vector<std::string>& args, bool json, Request& request, std::ostream& out,
                   std::ostream& err, int& exitCode);

// `pihost db`: the mirror file read-only; the plugin is not involved.
int ShowMirror(const Request& r, const std::string& path, std::ostream& out, std::ostream& err);

class Host {
public:
    // options: those pihost was started with (the database resolved).
    Host(PluginSession& session, const GlobalOptions& options, std::ostream& out, std::ostream& err)
        : session_(session), options_(options), out_(&out), err_(err) {}

    // One command. Its result is printed only when no stop was requested meanwhile; an interrupted command
    // prints nothing and returns 128 + the signal.
    int Run(const Request& request);
    // Reads commands one per line (with line editing on a terminal) until quit, exit, end of input or a stop
    // request; returns the highest exit status of its lines.
    int Shell(std::istream& in, bool interactive);

private:
    int Dispatch(const Request& r);
    int Topology(const Request& r);
    int Properties(const Request& r);
    int Get(const Request& r);
    int Set(const Request& r);
    int Operations(const Request& r);
    int RunOperation(const Request& r);
    // watch: the first topology, then each second the events and the changes until a stop, --for or a
    // closed output.
    int Watch(const Request& r);
    int Check(const Request& r);
    int Metrics(const Request& r);
    int Version(const Request& r);
    // A failing plugin call during watch: its failure is noted and, with json, printed as a line of its own.
    typedef std::function<void(const char*, std::uint32_t)> CallReport;
    // The start of watch: with json, a line for a failed first topology or a warning; else the summary.
    void AnnounceWatch(const Request& r, std::uint32_t first, const std::vector<PI::CObject>& topology);
    // watch --scan: asks the first adapter for a configuration scan and makes sure the plugin's worker ran it.
    void ForceScan(const std::vector<PI::CObject>& topology, const CallReport& report);
    std::vector<PI::CEvent> PollEvents(const std::vector<PI::CObject>& topology, std::uint64_t pluginId,
                                       const CallReport& report);
    void PrintEvents(const Request& r, const std::vector<PI::CEvent>& events);
    // The changes since before, which becomes the new topology when the plugin gave one.
    void PrintChanges(const Request& r, std::vector<PI::CObject>& before, const CallReport& report);
    // One line of the shell; quit and exit set quit.
    int ShellLine(const std::string& line, bool& quit);

    // A fresh topology, noting a warning when it holds no adapter.
    std::uint32_t FetchTopology(const Request& r, std::vector<PI::CObject>& topology);
    // Finds the identifier OBJECT names, from a fresh topology; false after reporting an input error.
    bool Resolve(const Request& r, std::uint64_t& id, std::vector<PI::CObject>& topology);
    int Fail(const Request& r, ErrorKind kind, const std::string& message, int exitCode,
             std::uint32_t status = STATUS_GENERAL);
    // A plugin call's outcome: 0, or 1 with the failure (and what is known of its cause) on standard error,
    // kept for the document.
    int Outcome(const Request& r, const char* what, std::uint32_t status, const std::string& cause = "");
    // Status, the failure Outcome kept (as the error) and the warnings so far.
    JsonDocument& Stamp(JsonDocument& document, std::uint32_t status);
    void Line(const std::string& text);
    bool OutputBroken() const;

    PluginSession& session_;
    GlobalOptions options_;
    std::ostream* out_;
    std::ostream& err_;
    std::vector<std::string> warnings_;
    std::string failure_; // the message of the last failing plugin call
};

} // namespace pihost
