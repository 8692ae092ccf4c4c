// Ctrl-C and SIGTERM ask pihost to stop: long-running commands (watch, shell) end cleanly, and the plugin is
// still de-initialised and released.
#pragma once

namespace pihost {
// Installs the handlers (without SA_RESTART, so a blocking read returns) and ignores SIGPIPE.
void InstallStopHandlers();
bool StopRequested();
// The signal that asked to stop (0: none; -1: a stop from within). SIGTERM is an orderly stop, as a service
// manager asks for one: it ends with the command's own status, unlike an interrupt.
int StopSignalNumber();
void RequestStop();
} // namespace pihost
