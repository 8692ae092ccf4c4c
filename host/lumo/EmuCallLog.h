// One line per library call in the file named by the call log setting, for tests that check the call order.
#pragma once
#include <cstddef>
#include <string>

namespace LumoEmu {

// Writes `line` and a line end to the call log, when one is configured. Lines from concurrent calls never mix.
// A log that cannot be written is skipped: the log is for diagnosis and must not change the library's results.
void logCall(const std::string& line);

// Whether a call log is configured, so that callers can skip building lines nobody reads.
bool callLogEnabled();

// `length` bytes of `text` with backslash and control bytes escaped so that the text stays on one line;
// "(null)" for a null pointer.
std::string escapedForLog(const char* text, size_t length);
std::string escapedForLog(const char* text); // up to the terminating zero

} // namespace LumoEmu
