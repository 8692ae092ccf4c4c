// Ctrl-C and SIGTERM ask pihost to stop: long-running commands (watch, shell) end cleanly, and the plugin is
// still de-initialised and released.
#pragma once

namespace pihost {
// Installs the handlers (without SA_RESTART, so a blocking read returns) and ignores SIGPIPE.
void InstallStopHandlers();
bool StopRequested();
void RequestStop();
} // namespace pihost
