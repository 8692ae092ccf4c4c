#include "EmuSource.h"

#include "EmuSample.h"
#include "EmuState.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace LumoEmu {
namespace {

AnswerSource readFile(const std::string& path) {
    AnswerSource source;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        source.problem = "Cannot open device tree file '" + path + "': " + std::strerror(errno);
        return source;
    }
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) {
        source.problem = "Cannot read device tree file '" + path + "'";
        return source;
    }
    source.found = true;
    source.text = content.str();
    return source;
}

} // namespace

AnswerSource currentAnswerSource() {
    if (auto answer = EmuState::instance().answer()) {
        return AnswerSource{true, std::move(*answer), {}};
    }
    const char* path = std::getenv("LUMO_DEVICE_TREE");
    if (path != nullptr && *path != '\0') {
        return readFile(path);
    }
    return AnswerSource{true, sampleDeviceTree(), {}};
}

} // namespace LumoEmu
