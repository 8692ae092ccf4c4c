// Exit statuses of pihost and the kinds of failure a run reports (on standard error, and as the "error" of its
// JSON document).
#pragma once
#include <algorithm>

namespace pihost {

const int EXIT_OK = 0;
const int EXIT_PLUGIN_STATUS = 1; // the plugin returned a non-zero status
const int EXIT_USAGE = 2;         // bad usage or input
const int EXIT_NO_ADAPTER = 3;    // topology: the plugin sees no adapter
const int EXIT_OUTPUT = 4;        // standard output could not be written
// An interrupted run exits with 128 and the signal's number (130 for Ctrl-C).

enum class ErrorKind { Usage, Input, Plugin, Output };

inline const char* ErrorKindName(ErrorKind kind) {
    switch (kind) {
    case ErrorKind::Usage:
        return "usage";
    case ErrorKind::Input:
        return "input";
    case ErrorKind::Plugin:
        return "plugin";
    case ErrorKind::Output:
        break;
    }
    return "output";
}

// The status a run of several steps ends with (shell lines, watch): the highest one seen.
inline int WorstExit(int a, int b) {
    return std::max(a, b);
}

} // namespace pihost
