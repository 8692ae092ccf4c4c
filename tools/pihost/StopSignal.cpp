#include "StopSignal.h"

#include <csignal>

namespace pihost {
namespace {
volatile std::sig_atomic_t g_stop = 0;

void OnStopSignal(int) {
    g_stop = 1;
}
} // namespace

void InstallStopHandlers() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A closed pipe on standard output must not kill pihost before the plugin is released.
    std::signal(SIGPIPE, SIG_IGN);
}

bool StopRequested() {
    return g_stop != 0;
}

void RequestStop() {
    g_stop = 1;
}

} // namespace pihost
