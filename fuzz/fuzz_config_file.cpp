// The configuration file reader on any file content, and a write that must read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include <unistd.h>

#include "pi/CConfigFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string dir = [] {
        char pattern[] = "/tmp/fuzz_config_XXXXXX";
        setenv("PI_CONFIG_DIR", mkdtemp(pattern), 1);
        return std::string(pattern);
    }();
    std::ofstream(dir + "/piDorv.ini", std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    PI::CConfigFile file;
    file.SetFileName("piDorv.ini");
    std::string value;
    file.ReadKeyValue("PollInterval", value, -1, -1);
    if (file.WriteKeyValue("PollInterval", "42", -1, -1) == 0 &&
        (file.ReadKeyValue("PollInterval", value, -1, -1) != 0 || value != "42")) {
        std::abort(); // a successful write must read back
    }
    return 0;
}
