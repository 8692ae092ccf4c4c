// Placeholder until the plugin object lands: the two exported entry points.
#include "pi/IPLUGINAPI.h"

extern "C" __attribute__((visibility("default"))) std::uint32_t createIf(IPLUGINAPI** out) {
    if (out) *out = nullptr;
    return 20007;
}
extern "C" __attribute__((visibility("default"))) void releaseIf(IPLUGINAPI** holder) {
    if (holder) *holder = nullptr;
}
