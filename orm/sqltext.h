// Value texts of the query builder: how each member kind is written into a statement and read back
// from a result cell. A member at its null sentinel is written as SQL NULL.
#pragma once
#include <cfloat>
#include <climits>
#include <cstdio>
#include <string>
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

inline std::string valueText(double value) {
    if (value == static_cast<double>(FLT_MIN)) {
        return NULL_TEXT;
    }
    char buffer[512];
    std::snprintf(buffer, sizeof(buffer), "%f", value);
    return buffer;
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
