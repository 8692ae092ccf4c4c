#include "EmuCallLog.h"

#include "EmuState.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>

namespace LumoEmu {

bool callLogEnabled() {
    return !EmuState::instance().callLogPath().empty();
}

void logCall(const std::string& line) {
    const std::string path = EmuState::instance().callLogPath();
    if (path.empty()) {
        return;
    }
    static std::mutex fileMutex;
    std::lock_guard<std::mutex> lock(fileMutex);
    // Opened per line so that a test may truncate or remove the file between calls.
    std::ofstream out(path, std::ios::app | std::ios::binary);
    out << line << '\n';
}

std::string escapedForLog(const char* text, size_t length) {
    if (text == nullptr) {
        return "(null)";
    }
    std::string result;
    result.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        switch (byte) {
        case '\\':
            result += "\\\\";
            break;
        case '\n':
            result += "\\n";
            break;
        case '\r':
            result += "\\r";
            break;
        case '\t':
            result += "\\t";
            break;
        default:
            if (byte < 0x20) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02X", byte);
                result += hex;
            } else {
                result += static_cast<char>(byte);
            }
        }
    }
    return result;
}

std::string escapedForLog(const char* text) {
    return escapedForLog(text, text != nullptr ? std::strlen(text) : 0);
}

} // namespace LumoEmu
