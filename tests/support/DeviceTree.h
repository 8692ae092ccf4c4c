// A bare device tree with the given adapters, as the controller emulator accepts it.
#pragma once
#include <string>
#include <vector>

namespace test_support {
// One adapter element; JSON escapes in the texts are the caller's business.
struct TreeAdapter {
    std::string serial;
    std::string name;
    std::string firmware = "1.5 (LPC), 1.7 (FX3S)";
};

inline std::string DeviceTree(const std::vector<TreeAdapter>& adapters) {
    std::string list;
    for (const auto& a : adapters) {
        list += std::string(list.empty() ? "" : ",") + "{\"FirmwareVersion\":\"" + a.firmware +
                "\",\"SerialNumber\":\"" + a.serial + "\",\"Product\":\"Dorv100\",\"Vendor\":\"Cendra\",\"Name\":\"" +
                a.name + "\",\"VendorID\":\"0x1234\",\"DeviceID\":\"0x5678\",\"AdapterNumber\":0}";
    }
    return "{\"TavrinStorageDeviceTree\":{\"@Version\":1,\"@Status\":\"OK\",\"Adapter\":[" + list + "]}}";
}
} // namespace test_support
