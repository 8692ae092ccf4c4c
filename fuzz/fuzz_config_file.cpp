// The configuration file reader on any file content, and a write that must read back.
#include <cstdint>
#include <cstdlib>
#include <fstream>

#include "pi/CConfigFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static char dir[] = "/tmp/fuzz_config_XXXXXX";
    static const int made = ::setenv("PI_CONFIG_DIR", ::mkdtemp(dir), 1);
    std::ofstream(std::string(dir) + "/piDorv.ini", std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    PI::CConfigFile file;
    file.SetFileName("piDorv.ini");
    std::string value;
    file.ReadKeyValue("PollInterval", value, -1, -1);
    if (made == 0 && file.WriteKeyValue("PollInterval", "42", -1, -1) == 0 &&
        (file.ReadKeyValue("PollInterval", value, -1, -1) != 0 || value != "42"))
        std::abort(); // a successful write must read back
    return 0;
}
