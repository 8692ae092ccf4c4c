#include "UnsignedLiterals.h"

#include <cctype>
#include <cstdint>
#include <limits>

namespace DatabaseWrapper {
namespace {
bool isWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$';
}

// End of a quoted run starting at i (a doubled closing quote continues it).
std::size_t skipQuoted(const std::string& sql, std::size_t i, char close) {
    for (++i; i < sql.size(); ++i) {
        if (sql[i] == close) {
            if (close != ']' && i + 1 < sql.size() && sql[i + 1] == close) {
                ++i;
                continue;
            }
            return i + 1;
        }
    }
    return sql.size();
}

// The literal as a signed integer text, or the literal itself when it needs no rewrite.
std::string rewriteDigits(const std::string& digits) {
    const std::uint64_t int64Max = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    std::uint64_t value = 0;
    for (char c : digits) {
        const std::uint64_t d = static_cast<std::uint64_t>(c - '0');
        if (value > (std::numeric_limits<std::uint64_t>::max() - d) / 10) {
            return digits; // beyond 64 bits: not an unsigned value of ours
        }
        value = value * 10 + d;
    }
    if (value <= int64Max) {
        return digits;
    }
    // Two's complement: the magnitude of the negative number with the same bits.
    return "-" + std::to_string(~value + 1);
}
} // namespace

std::string signedFormOfUnsignedLiterals(const std::string& sql) {
    std::string out;
    out.reserve(sql.size());
    std::size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        std::size_t end = i + 1;
        if (c == '\'' || c == '"' || c == '`') {
            end = skipQuoted(sql, i, c);
        } else if (c == '[') {
            end = skipQuoted(sql, i, ']');
        } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
            end = sql.find('\n', i);
            end = end == std::string::npos ? sql.size() : end;
        } else if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
            end = sql.find("*/", i + 2);
            end = end == std::string::npos ? sql.size() : end + 2;
        } else if (isWordChar(c) || c == '.') {
            while (end < sql.size() && (isWordChar(sql[end]) || sql[end] == '.')) {
                ++end;
            }
            const std::string token = sql.substr(i, end - i);
            const bool plainDigits = token.find_first_not_of("0123456789") == std::string::npos;
            const bool negated = !out.empty() && out.back() == '-';
            out += plainDigits && !negated ? rewriteDigits(token) : token;
            i = end;
            continue;
        }
        out.append(sql, i, end - i);
        i = end;
    }
    return out;
}

bool mayHoldUnsignedLiterals(const std::string& sql) {
    const std::size_t shortest = 19;
    std::size_t run = 0;
    for (char c : sql) {
        run = c >= '0' && c <= '9' ? run + 1 : 0;
        if (run >= shortest) {
            return true;
        }
    }
    return false;
}
} // namespace DatabaseWrapper
