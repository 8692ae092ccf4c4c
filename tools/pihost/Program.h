// One run of pihost: checks, environment, loading, the plugin's lifecycle around the command.
#pragma once
#include <istream>
#include <ostream>

#include "CommandLine.h"

namespace pihost {

// Sets the variables the libraries read at load time and first use; only options that were given change the
// environment, except the database, which defaults to pihost.db.
void ApplyEnvironment(const GlobalOptions& options);

// createIf, Initialize, (SetAdapterIDs for watch and shell), the command, DeInitialize, releaseIf: always in
// this order and to the end, also when a step fails. Returns the exit status.
int RunProgram(const Request& request, std::istream& in, std::ostream& out, std::ostream& err);

} // namespace pihost
