// The device tree the emulator answers with when no other answer is configured.
#pragma once

namespace LumoEmu {

// One Dorv100 adapter with two SD cards mirrored into one RAID-1 logical drive, as a bare device tree
// (root "TavrinStorageDeviceTree"). examples/sample.json holds the same tree.
const char* sampleDeviceTree();

} // namespace LumoEmu
