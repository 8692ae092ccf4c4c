// What the core tests share: trace texts put together.
#pragma once
#include <string>

#include "support/PluginFixture.h"

namespace test_support {
inline Texts operator+(Texts a, const Texts& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
inline Texts Repeated(const Texts& texts, int n) {
    Texts out;
    for (int i = 0; i < n; ++i) {
        out = out + texts;
    }
    return out;
}
// A timed lock statement's text, then its timing line.
inline Texts Timed(const std::string& statement) {
    return {statement, statement + "waited for microseconds: N "};
}
} // namespace test_support
