// One run of pihost: the command line, checks, environment, loading, the plugin's lifecycle around the command.
#pragma once
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "CommandLine.h"

namespace pihost {

// Sets the variables the libraries read at load time and first use; only options that were given change the
// environment, except the database, which is always named.
void ApplyEnvironment(const GlobalOptions& options);

// The mirror file: --db, else PI_DATABASE, else the default place (its folder created). Empty, with the reason,
// when there is none.
std::string DatabasePath(const GlobalOptions& options, bool create, std::string& error);

// createIf, Initialize, (SetAdapterIDs for watch and shell), the command, DeInitialize, releaseIf: always in
// this order and to the end, also when a step fails. `db` loads nothing. Returns the exit status.
int RunProgram(const Request& request, std::istream& in, std::ostream& out, std::ostream& err);

// The whole run from the arguments (without the program name): with --json every outcome, bad usage and
// unexpected errors included, is one document on out. Returns the exit status, 4 when out could not be written.
int Main(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);

} // namespace pihost
