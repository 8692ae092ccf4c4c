// Text from the controller and from files is untrusted: it may hold control characters, terminal escape
// sequences and bytes that are not UTF-8.
#pragma once
#include <string>

namespace pihost {

// For a terminal: control characters (C0, DEL, C1), bytes that are not UTF-8 and the backslash shown as \xHH
// and \\; valid printable UTF-8 is kept.
std::string Printable(const std::string& text);

// For JSON: every byte that is not part of valid UTF-8 replaced by U+FFFD.
std::string ValidUtf8(const std::string& text);

} // namespace pihost
