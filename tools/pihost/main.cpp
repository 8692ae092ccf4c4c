// pihost: loads the piDorv plugin, drives it through its command entry and prints what it sees.
#include <exception>
#include <iostream>
#include <sstream>

#include "CommandLine.h"
#include "Commands.h"
#include "Monitoring.h"
#include "Program.h"
#include "StopSignal.h"

int main(int argc, char** argv) {
    pihost::InstallStopHandlers();
    const std::vector<std::string> args(argv + 1, argv + argc);
    pihost::Request request;
    std::ostringstream parseErrors;
    const pihost::ParseOutcome parsed = pihost::ParseCommandLine(args, request, std::cout, parseErrors);
    std::cerr << parseErrors.str();
    if (!parsed.run)
        return pihost::ParseFailureStatus(args, parsed.exitCode, parseErrors.str(), std::cout);
    try {
        if (request.command == pihost::Command::Check)
            return pihost::RunCheck(request, std::cin, std::cout, std::cerr);
        return pihost::RunProgram(request, std::cin, std::cout, std::cerr);
    } catch (const std::exception& e) {
        // The plugin passes some exceptions through; the session and the library were released on the way here.
        std::cerr << "pihost: unexpected error: " << e.what() << "\n";
    } catch (...) {
        std::cerr << "pihost: unexpected error\n";
    }
    return pihost::EXIT_PLUGIN_STATUS;
}
