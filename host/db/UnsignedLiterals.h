// SQLite reads an integer literal above INT64_MAX as a REAL and loses its low digits. The query
// builder writes unsigned 64-bit values as plain digits, so before a text reaches SQLite every such
// literal is replaced by the signed 64-bit integer with the same bits; the cell reader turns it
// back into the unsigned digits for UNSIGNED BIGINT columns.
#pragma once
#include <string>

namespace DatabaseWrapper {
// Rewrites bare integer literals in (INT64_MAX, UINT64_MAX] to their two's-complement negative form.
// Quoted strings, quoted identifiers and comments are left alone, and so is everything else.
std::string signedFormOfUnsignedLiterals(const std::string& sql);

// Whether sql has a run of 19 or more digits, the shortest text of a value above INT64_MAX; without
// one, signedFormOfUnsignedLiterals returns sql unchanged (a cheap test before the rewrite).
bool mayHoldUnsignedLiterals(const std::string& sql);
} // namespace DatabaseWrapper
