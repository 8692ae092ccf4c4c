// The configuration file reader on any file content, and a write that must keep the other lines.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include <unistd.h>

#include "pi/CConfigFile.h"

namespace {
const std::string& Dir() {
    static const std::string dir = [] {
        char tmpl[] = "/tmp/fuzz_config_XXXXXX";
        std::string d = mkdtemp(tmpl);
        setenv("PI_CONFIG_DIR", d.c_str(), 1);
        return d;
    }();
    return dir;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = Dir() + "/piDorv.ini";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    PI::CConfigFile file;
    file.SetFileName("piDorv.ini");
    std::string value;
    file.ReadKeyValue("PollInterval", value, -1, -1);
    if (file.WriteKeyValue("PollInterval", "42", -1, -1) == 0) {
        std::string back;
        if (file.ReadKeyValue("PollInterval", back, -1, -1) != 0 || back != "42") {
            std::abort(); // a successful write must read back
        }
    }
    return 0;
}
