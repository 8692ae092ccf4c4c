// The controller's answer text as the plugin hands it to the parser: any bytes, read as C text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "piDorv/Src/piDorvAdapter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size); // keeps a terminating zero after the bytes
    NAMESPACE_piDorv::parseDorv100JSON(text.c_str());
    return 0;
}
