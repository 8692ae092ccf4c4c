#include "EmuFaults.h"

#include <cerrno>
#include <cstdlib>
#include <limits>

namespace LumoEmu {
namespace {

std::string trimmed(const std::string& text) {
    const char* blanks = " \t\r\n";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

// Whole-text decimal number within [minimum, maximum]; nothing for anything else.
std::optional<long long> numberIn(const std::string& text, long long minimum, long long maximum) {
    if (text.empty()) {
        return std::nullopt;
    }
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < minimum || value > maximum) {
        return std::nullopt;
    }
    return value;
}

void applyItem(const std::string& item, FaultSet& faults) {
    const auto colon = item.find(':');
    const std::string name = trimmed(item.substr(0, colon));
    const std::string argument = colon == std::string::npos ? std::string() : trimmed(item.substr(colon + 1));
    const bool bare = colon == std::string::npos;

    if (bare && name == "no-controller") {
        faults.noController = true;
    } else if (bare && name == "connect-fails") {
        faults.connectFails = true;
    } else if (bare && name == "empty-answer") {
        faults.emptyAnswer = true;
    } else if (bare && name == "garbage") {
        faults.garbage = true;
    } else if (!bare && name == "truncate") {
        if (auto n = numberIn(argument, 0, std::numeric_limits<int32_t>::max())) {
            faults.truncateAt = static_cast<size_t>(*n);
        }
    } else if (!bare && name == "status") {
        if (auto n = numberIn(argument, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max())) {
            faults.status = static_cast<int32_t>(*n);
        }
    } else if (!bare && name == "delay") {
        // An hour is far beyond any test; a larger value is a typo, not a wish to hang.
        if (auto n = numberIn(argument, 0, 3600 * 1000)) {
            faults.delayMs = static_cast<uint32_t>(*n);
        }
    }
}

} // namespace

bool FaultSet::operator==(const FaultSet& other) const {
    return noController == other.noController && connectFails == other.connectFails &&
           emptyAnswer == other.emptyAnswer && garbage == other.garbage && truncateAt == other.truncateAt &&
           status == other.status && delayMs == other.delayMs;
}

FaultSet parseFaults(const std::string& list) {
    FaultSet faults;
    size_t start = 0;
    while (start <= list.size()) {
        const auto comma = list.find(',', start);
        const auto end = comma == std::string::npos ? list.size() : comma;
        applyItem(list.substr(start, end - start), faults);
        start = end + 1;
    }
    return faults;
}

} // namespace LumoEmu
