// pihost: loads the piDorv plugin, drives it through its command entry and prints what it sees.
#include <clocale>
#include <iostream>

#include <fcntl.h>
#include <unistd.h>

#include "ExitStatus.h"
#include "Program.h"
#include "StopSignal.h"

int main(int argc, char** argv) {
    // A closed standard stream would hand its number to the next file opened (the mirror, the trace file), and
    // output meant for the terminal would land in it; such streams are held open on /dev/null.
    bool stdoutClosed = false;
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1) {
            continue;
        }
        stdoutClosed = stdoutClosed || fd == STDOUT_FILENO;
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0 && null != fd) {
            ::dup2(null, fd);
            ::close(null);
        }
    }
    if (stdoutClosed) {
        std::cerr << "pihost: standard output is closed; nothing would be seen\n";
        return pihost::EXIT_OUTPUT;
    }
    std::setlocale(LC_CTYPE, "");
    pihost::InstallStopHandlers();
    return pihost::Main(std::vector<std::string>(argv + 1, argv + argc), std::cin, std::cout, std::cerr);
}
