// The commands of pihost on an initialised plugin session. Each returns the exit status: 0 success, 1 the
// plugin returned a non-zero status, 2 bad usage.
#pragma once
#include <cstdint>
#include <functional>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "ExitStatus.h"
#include "PluginSession.h"

namespace pihost {

class Host {
public:
    // options: those pihost was started with; shell: commands come from `pihost shell` (the session stays
    // active across commands).
    Host(PluginSession& session, const GlobalOptions& options, bool shell, std::ostream& out, std::ostream& err)
        : session_(session), options_(options), shell_(shell), out_(out), err_(err) {}

    int Run(const Request& request);
    // Reads commands one per line until quit, exit, end of input or a stop request; returns the exit status
    // of the last command.
    int Shell(std::istream& in, bool interactive);

private:
    int Topology(const Request& r);
    int Properties(const Request& r);
    int Get(const Request& r);
    int Set(const Request& r);
    int Operations(const Request& r);
    int RunOperation(const Request& r);
    int Watch(const Request& r);
    int Db(const Request& r);
    // watch --scan: asks the first adapter for a configuration scan and makes sure the plugin's worker ran it.
    void ForceScan(const std::vector<PI::CObject>& topology,
                   const std::function<void(const char*, std::uint32_t)>& report);

    // Finds the identifier OBJECT names, from a fresh topology; false after reporting a usage error.
    bool Resolve(const Request& r, std::uint64_t& id, std::vector<PI::CObject>& topology);
    int UsageError(const Request& r, const std::string& message);
    int UsageError(const std::string& command, bool json, const std::string& message);
    // Human mode: the failing status on standard error. Returns the exit status for the status.
    int Outcome(const Request& r, const char* what, std::uint32_t status);
    void Line(const std::string& text);

    PluginSession& session_;
    GlobalOptions options_;
    bool shell_;
    std::ostream& out_;
    std::ostream& err_;
};

} // namespace pihost
