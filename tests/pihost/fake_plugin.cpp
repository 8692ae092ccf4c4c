// A stand-in plugin for pihost's failure paths. FAKE_PLUGIN_MODE picks the failure (create-fails, init-fails,
// throws); FAKE_PLUGIN_LOG names a file that gets one line per entry-point call; FAKE_PLUGIN_STATUSES, a comma list
// of STATUS value codes, adds one adapter per code.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "pi/CObject.h"
#include "pi/IPLUGINAPI.h"

namespace {
std::string Mode() {
    const char* mode = std::getenv("FAKE_PLUGIN_MODE");
    return mode ? mode : "";
}

void Log(const std::string& line) {
    if (const char* path = std::getenv("FAKE_PLUGIN_LOG"))
        std::ofstream(path, std::ios::app) << line << "\n";
}

class FakePlugin : public IPLUGINAPI {
public:
    std::uint32_t Execute(PI::_COMMAND command, unsigned long, void* data) override {
        Log("Execute " + std::to_string(command));
        if (command == PI::INITIALIZE) {
            // Left in the stdio buffer on purpose: the host must flush it where it belongs.
            std::printf("fake: Initialize\n");
            if (Mode() == "init-fails")
                return 20001;
        }
        if (command == PI::GET_TOPOLOGY) {
            if (Mode() == "throws")
                throw std::runtime_error("fake failure");
            auto& objects = *static_cast<std::vector<PI::CObject>*>(data);
            PI::CObject plugin;
            plugin.m_ID = 0x42;
            plugin.m_Type = 19006;
            objects.push_back(plugin);
            const char* statuses = std::getenv("FAKE_PLUGIN_STATUSES");
            std::istringstream codes(statuses ? statuses : "");
            for (std::string code; std::getline(codes, code, ',');) {
                PI::CObject adapter;
                adapter.m_ID = 0x42 + objects.size();
                adapter.m_Type = 19037;
                adapter.m_Properties.emplace_back(30017, false).SetValue(std::stoi(code), std::vector<std::int32_t>{});
                objects.push_back(adapter);
            }
        }
        return 0;
    }
};
} // namespace

extern "C" __attribute__((visibility("default"))) std::uint32_t createIf(IPLUGINAPI** out) {
    Log("createIf");
    if (Mode() == "create-fails") {
        *out = nullptr;
        return 20007;
    }
    *out = new FakePlugin;
    return 0;
}

extern "C" __attribute__((visibility("default"))) void releaseIf(IPLUGINAPI** holder) {
    Log("releaseIf");
    delete *holder;
    *holder = nullptr;
}
