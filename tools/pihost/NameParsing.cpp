#include "NameParsing.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "HostCodes.h"
#include "ObjectKind.h"

namespace pihost {
namespace {

bool AllOf(const std::string& text, std::size_t from, int (*test)(int)) {
    if (from >= text.size()) {
        return false;
    }
    return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(),
                       [test](char c) { return test(static_cast<unsigned char>(c)) != 0; });
}

bool ParseUnsigned(const std::string& digits, int base, std::uint64_t limit, std::uint64_t& value) {
    value = 0;
    for (char c : digits) {
        const int d = std::isdigit(static_cast<unsigned char>(c))
                          ? c - '0'
                          : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
        if (d < 0 || d >= base) {
            return false;
        }
        if (value > (limit - static_cast<std::uint64_t>(d)) / static_cast<std::uint64_t>(base)) {
            return false;
        }
        value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
    }
    return !digits.empty();
}

std::string Upper(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        c = c == '-' ? '_' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

const char* TableWord(CodeNames::Table table) {
    switch (table) {
    case CodeNames::Table::Property:
        return "property";
    case CodeNames::Table::Operation:
        return "operation";
    case CodeNames::Table::Event:
        return "event";
    case CodeNames::Table::Status:
        return "status";
    case CodeNames::Table::Value:
        break;
    }
    return "value";
}
} // namespace

bool ParseObjectRef(const std::string& text, ObjectRef& out, std::string& error) {
    const std::string lower = [&] {
        std::string s = text;
        for (char& c : s) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        return s;
    }();
    if (lower == "plugin") {
        out = ObjectRef{ObjectRef::Kind::Plugin, 0, 0};
        return true;
    }
    if (lower == "adapter") {
        out = ObjectRef{ObjectRef::Kind::Adapter, 0, 0};
        return true;
    }
    const std::string adapterPrefix = "adapter:";
    if (lower.compare(0, adapterPrefix.size(), adapterPrefix) == 0) {
        std::uint64_t index = 0;
        const std::string digits = lower.substr(adapterPrefix.size());
        if (!AllOf(digits, 0, ::isdigit) || !ParseUnsigned(digits, 10, 1u << 20, index)) {
            error = "bad adapter number in '" + text + "' (expected adapter:N with N = 0, 1, ...)";
            return false;
        }
        out = ObjectRef{ObjectRef::Kind::Adapter, static_cast<std::size_t>(index), 0};
        return true;
    }
    const std::size_t from = lower.compare(0, 2, "0x") == 0 ? 2 : 0;
    std::uint64_t id = 0;
    if (lower.size() - from <= 16 && AllOf(lower, from, ::isxdigit) &&
        ParseUnsigned(lower.substr(from), 16, std::numeric_limits<std::uint64_t>::max(), id)) {
        out = ObjectRef{ObjectRef::Kind::Id, 0, id};
        return true;
    }
    error = "unknown object '" + text + "' (expected plugin, adapter, adapter:N or a hex identifier)";
    return false;
}

bool ResolveObject(const ObjectRef& ref, const std::vector<PI::CObject>& topology, std::uint64_t& id,
                   std::string& error) {
    switch (ref.kind) {
    case ObjectRef::Kind::Id:
        id = ref.id;
        return true;
    case ObjectRef::Kind::Plugin:
        for (const auto& object : topology) {
            if (KindOf(object) == ObjectKind::Plugin) {
                id = object.m_ID;
                return true;
            }
        }
        error = "the plugin shows no plugin object";
        return false;
    case ObjectRef::Kind::Adapter: {
        std::size_t seen = 0;
        for (const auto& object : topology) {
            if (KindOf(object) != ObjectKind::Adapter) {
                continue;
            }
            if (seen++ == ref.index) {
                id = object.m_ID;
                return true;
            }
        }
        error = seen == 0 ? std::string("the plugin shows no adapter")
                          : "no adapter:" + std::to_string(ref.index) + " (the plugin shows " + std::to_string(seen) +
                                (seen == 1 ? " adapter)" : " adapters)");
        return false;
    }
    }
    return false;
}

bool ParseCode(CodeNames::Table table, const std::string& text, std::int32_t& code, std::string& error) {
    const std::size_t from = !text.empty() && text[0] == '-' ? 1 : 0;
    if (AllOf(text, from, ::isdigit)) {
        std::uint64_t magnitude = 0;
        const std::uint64_t limit = from ? std::uint64_t(1) << 31 : (std::uint64_t(1) << 31) - 1;
        if (ParseUnsigned(text.substr(from), 10, limit, magnitude)) {
            code = from ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                        : static_cast<std::int32_t>(magnitude);
            return true;
        }
        error = std::string(TableWord(table)) + " code out of range: " + text;
        return false;
    }
    if (!text.empty() && (CodeNames::CodeOf(table, text, code) || CodeNames::CodeOf(table, Upper(text), code))) {
        return true;
    }
    error = "unknown " + std::string(TableWord(table)) + " name '" + text + "'";
    return false;
}

bool ParsePollInterval(const std::string& text, std::int32_t& seconds, std::string& error) {
    std::uint64_t value = 0;
    if (!AllOf(text, 0, ::isdigit) || !ParseUnsigned(text, 10, std::numeric_limits<std::uint32_t>::max(), value)) {
        error = "poll interval '" + text + "' is not a whole number of seconds";
        return false;
    }
    if (value < static_cast<std::uint64_t>(Codes::POLL_INTERVAL_MIN) ||
        value > static_cast<std::uint64_t>(Codes::POLL_INTERVAL_MAX)) {
        error = "poll interval " + text + " is out of range (" + std::to_string(Codes::POLL_INTERVAL_MIN) + " to " +
                std::to_string(Codes::POLL_INTERVAL_MAX) + " seconds)";
        return false;
    }
    seconds = static_cast<std::int32_t>(value);
    return true;
}

bool ParseTraceMask(const std::string& text, std::string& error) {
    const bool hex = text.size() > 2 && (text.compare(0, 2, "0x") == 0 || text.compare(0, 2, "0X") == 0);
    std::uint64_t value = 0;
    const std::string digits = hex ? text.substr(2) : text;
    if (AllOf(digits, 0, hex ? ::isxdigit : ::isdigit) &&
        ParseUnsigned(digits, hex ? 16 : 10, std::numeric_limits<std::uint32_t>::max(), value)) {
        return true;
    }
    error = "trace mask '" + text + "' is not a decimal or 0x-hex number of 32 bits";
    return false;
}

bool ParseFaultList(const std::string& text, std::string& error) {
    static const char* const KINDS = "no-controller, connect-fails, empty-answer, garbage, truncate:N, status:N, "
                                     "delay:MS (or none)";
    const auto trim = [](const std::string& t) {
        const std::size_t first = t.find_first_not_of(" \t");
        return first == std::string::npos ? std::string() : t.substr(first, t.find_last_not_of(" \t") - first + 1);
    };
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string item = trim(text.substr(start, comma - start));
        start = comma + 1;
        const std::size_t colon = item.find(':');
        const std::string name = trim(item.substr(0, colon));
        const std::string argument = colon == std::string::npos ? std::string() : trim(item.substr(colon + 1));
        const bool negative = !argument.empty() && argument[0] == '-';
        std::uint64_t value = 0;
        const bool number = AllOf(argument, negative ? 1 : 0, ::isdigit) &&
                            ParseUnsigned(argument.substr(negative ? 1 : 0), 10, std::uint64_t(1) << 31, value);
        if (item.empty() || ((name == "no-controller" || name == "connect-fails" || name == "empty-answer" ||
                              name == "garbage" || name == "none") &&
                             colon == std::string::npos)) {
            continue;
        }
        // The emulator's own ranges: a 32-bit count of bytes or status, at most an hour of delay.
        if (colon != std::string::npos &&
            ((name == "truncate" && number && !negative && value <= 0x7fffffffu) ||
             (name == "status" && number && value <= (negative ? 0x80000000u : 0x7fffffffu)) ||
             (name == "delay" && number && !negative && value <= 3600u * 1000u))) {
            continue;
        }
        const bool known = name == "truncate" || name == "status" || name == "delay";
        error = "--fault: " + (known ? "bad argument in '" + item + "'" : "unknown fault '" + item + "'") +
                "; the kinds are " + KINDS + (name == "delay" ? "; MS is 0 to 3600000" : "");
        return false;
    }
    return true;
}

bool ParseWatchSeconds(const std::string& text, double& seconds, std::string& error) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    const std::string head = "watch --for " + text + ": ";
    if (text.empty() || end != text.c_str() + text.size() || std::isnan(value)) {
        error = head + "not a number of seconds";
    } else if (std::isinf(value)) {
        error = head + "not a finite number of seconds (leave --for out to watch until Ctrl-C)";
    } else if (value < 0) {
        error = head + "a time to watch cannot be negative";
    } else if (value == 0) {
        error = head + "must be more than 0 seconds";
    } else if (value > WATCH_MAX_SECONDS) {
        error = head + "more than the maximum of 31536000 seconds (365 days)";
    } else {
        seconds = value;
        return true;
    }
    return false;
}

const std::vector<std::string>& MirrorTableNames() {
    static const std::vector<std::string> names = {"Plugin", "Adapter", "PD", "LD", "PD_LD"};
    return names;
}

bool ParseTableName(const std::string& text, std::string& canonical, std::string& error) {
    for (const auto& name : MirrorTableNames()) {
        if (Upper(name) == Upper(text)) {
            canonical = name;
            return true;
        }
    }
    error = "unknown table '" + text + "' (tables: Plugin, Adapter, PD, LD, PD_LD)";
    return false;
}

} // namespace pihost
