// Why the plugin may show no adapter, as far as pihost can see it from outside: the faults asked of the
// controller emulator and the device-tree file it answers with.
#pragma once
#include <string>

namespace pihost {

// The answer buffer the plugin gives the controller; a larger tree is cut and cannot be parsed.
const long long PLUGIN_ANSWER_BYTES = 64000;

// "no adapter seen: ..." naming the visible cause. faults: LUMO_FAULT's list; deviceTree: LUMO_DEVICE_TREE's
// file (empty: the built-in sample).
std::string NoAdapterWarning(const std::string& faults, const std::string& deviceTree);

} // namespace pihost
