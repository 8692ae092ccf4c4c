// Value texts of the query builder: how each member kind is written into a statement and read back
// from a result cell. A member at its null sentinel is written as SQL NULL.
#pragma once
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <system_error>
#include <vector>

#include "orm/constants.h"

namespace DatabaseORM {
// A text between single quotes; a quote inside is doubled so that the value stays one literal.
inline std::string quotedText(const std::string& text) {
    std::string out = QUOTE;
    out.reserve(text.size() + 2);
    for (char c : text) {
        out += c;
        if (c == '\'') {
            out += c;
        }
    }
    out += QUOTE;
    return out;
}

inline std::string valueText(int value) {
    const std::string digits = std::to_string(value);
    return digits == std::to_string(INT_MIN) ? NULL_TEXT : digits;
}

inline std::string valueText(unsigned long value) {
    const std::string digits = std::to_string(value);
    return digits == std::to_string(ULONG_MAX) ? NULL_TEXT : digits;
}

inline std::string valueText(const std::string& value) {
    return value == NULL_DEFAULT ? NULL_TEXT : quotedText(value);
}

// The elements joined by "?"; a list whose joined text is "NULL" is SQL NULL, an empty one ''.
inline std::string valueText(const std::vector<std::string>& values) {
    std::string joined;
    for (const auto& value : values) {
        joined += value + LIST_SEP;
    }
    if (!joined.empty()) {
        joined.erase(joined.size() - LIST_SEP.size());
    }
    return joined == NULL_DEFAULT ? NULL_TEXT : quotedText(joined);
}

// NaN and the infinities have no SQL literal (a bare nan or inf fails the whole statement): NULL.
inline std::string valueText(double value) {
    if (value == static_cast<double>(FLT_MIN) || !std::isfinite(value)) {
        return NULL_TEXT;
    }
    char buffer[512];
    std::snprintf(buffer, sizeof(buffer), "%f", value);
    return buffer;
}

// Whether text is the plain decimal digits of a value in (INT64_MAX, UINT64_MAX]: an unsigned value
// that the database component stores with the bits of a negative signed integer.
inline bool isUnsignedAboveInt64Max(const std::string& text) {
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto parsed = std::from_chars(text.data(), end, value);
    return parsed.ec == std::errc() && parsed.ptr == end &&
           value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
}

// Result cells back into members; a "NULL" cell leaves the member as it is (its default).
// Malformed numbers raise the standard library's std::invalid_argument / std::out_of_range.
inline void readCell(int& member, const std::string& cell) {
    if (cell != NULL_TEXT) {
        member = std::stoi(cell);
    }
}
// Unsigned conversion: values above INT64_MAX (the widened INT_MIN default among them) must read back.
inline void readCell(unsigned long& member, const std::string& cell) {
    if (cell != NULL_TEXT) {
        member = std::stoull(cell);
    }
}
inline void readCell(double& member, const std::string& cell) {
    if (cell != NULL_TEXT) {
        member = std::stod(cell);
    }
}
inline void readCell(std::string& member, const std::string& cell) {
    if (cell != NULL_TEXT) {
        member = cell;
    }
}
// Split at every "?"; an empty cell is the empty list it was written from.
inline void readCell(std::vector<std::string>& member, const std::string& cell) {
    if (cell == NULL_TEXT) {
        return;
    }
    member.clear();
    if (cell.empty()) {
        return;
    }
    std::string::size_type start = 0;
    for (;;) {
        const auto end = cell.find(LIST_SEP, start);
        member.push_back(cell.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) {
            break;
        }
        start = end + LIST_SEP.size();
    }
}
} // namespace DatabaseORM
