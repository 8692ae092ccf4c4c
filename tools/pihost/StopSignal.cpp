#include "StopSignal.h"

#include <csignal>

#include <unistd.h>

namespace pihost {
namespace {
volatile std::sig_atomic_t g_stop = 0;

void Say(const char* text, std::size_t size) {
    const ssize_t ignored = ::write(STDERR_FILENO, text, size);
    (void)ignored;
}

void OnStopSignal(int signal) {
    if (g_stop != 0) {
        // The first request waits for the plugin call in progress; whoever asks again does not want to wait.
        static const char again[] = "\npihost: stopped at once\n";
        Say(again, sizeof again - 1);
        ::_exit(128 + signal);
    }
    g_stop = signal;
    static const char first[] = "\npihost: stopping after the current plugin call (again to stop at once)\n";
    Say(first, sizeof first - 1);
}
} // namespace

void InstallStopHandlers() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A closed pipe on standard output must not kill pihost before the plugin is released; the write fails
    // instead and pihost ends with its output status.
    std::signal(SIGPIPE, SIG_IGN);
}

bool StopRequested() {
    return g_stop != 0;
}

int StopSignal() {
    return g_stop;
}

void RequestStop() {
    if (g_stop == 0) {
        g_stop = SIGTERM;
    }
}

} // namespace pihost
