// Ctrl-C and SIGTERM ask pihost to stop: long-running commands (watch, shell) end cleanly, and the plugin is
// still de-initialised and released. A second request while the first is pending ends pihost at once, for a
// controller call that takes too long.
#pragma once

namespace pihost {
// Installs the handlers (without SA_RESTART, so a blocking read returns) and ignores SIGPIPE.
void InstallStopHandlers();
bool StopRequested();
// The signal that asked to stop (0 when none did).
int StopSignal();
void RequestStop();
} // namespace pihost
