// Splitting one shell line into words the way a POSIX shell does for plain words: blanks separate, '...' keeps
// everything literally, "..." keeps blanks and lets a backslash escape " and \, a backslash outside quotes
// escapes the next character, and a word starting with # begins a comment.
#pragma once
#include <string>
#include <vector>

namespace pihost {
// False (and an error text) for an unterminated quote or a trailing backslash.
bool SplitLine(const std::string& line, std::vector<std::string>& words, std::string& error);
} // namespace pihost
