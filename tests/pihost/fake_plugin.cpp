// A stand-in plugin for pihost's failure paths. FAKE_PLUGIN_MODE picks the failure (create-fails, init-fails,
// throws); calls.log in the current folder gets a word per entry-point call (Execute as its command's number);
// FAKE_PLUGIN_STATUSES, a comma list of STATUS value codes, adds one adapter per code.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "pi/CObject.h"
#include "pi/IPLUGINAPI.h"

namespace {
std::string Setting(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

void Log(const std::string& line) {
    std::ofstream("calls.log", std::ios::app) << line << " ";
}

class FakePlugin : public IPLUGINAPI {
public:
    std::uint32_t Execute(PI::_COMMAND command, unsigned long, void* data) override {
        Log(std::to_string(command));
        if (command == PI::INITIALIZE) {
            // Left in the stdio buffer on purpose: the host must flush it where it belongs.
            std::printf("fake: Initialize\n");
            return Setting("FAKE_PLUGIN_MODE") == "init-fails" ? 20001 : 0;
        }
        if (command != PI::GET_TOPOLOGY) {
            return 0;
        }
        if (Setting("FAKE_PLUGIN_MODE") == "throws") {
            throw std::runtime_error("fake failure");
        }
        auto& objects = *static_cast<std::vector<PI::CObject>*>(data);
        objects.emplace_back().m_ID = 0x42;
        objects.back().m_Type = 19006;
        std::istringstream codes(Setting("FAKE_PLUGIN_STATUSES"));
        for (std::string code; std::getline(codes, code, ',');) {
            objects.emplace_back().m_ID = 0x42 + objects.size(); // the size before the new one
            objects.back().m_Type = 19037;
            objects.back()
                .m_Properties.emplace_back(30017, false)
                .SetValue(std::stoi(code), std::vector<std::int32_t>{});
        }
        return 0;
    }
};
} // namespace

extern "C" __attribute__((visibility("default"))) std::uint32_t createIf(IPLUGINAPI** out) {
    Log("createIf");
    *out = Setting("FAKE_PLUGIN_MODE") == "create-fails" ? nullptr : new FakePlugin;
    return *out ? 0 : 20007;
}

extern "C" __attribute__((visibility("default"))) void releaseIf(IPLUGINAPI** holder) {
    Log("releaseIf");
    delete *holder;
    *holder = nullptr;
}
