// Where the device tree answer comes from at the moment of a request.
#pragma once
#include <string>

namespace LumoEmu {

struct AnswerSource {
    bool found = false;
    std::string text;    // envelope, bare tree or raw bytes, as configured
    std::string problem; // why nothing was found
};

// The in-process answer when set, else the file named by LUMO_DEVICE_TREE (read now, so an edit shows at the
// next request), else the built-in sample tree.
AnswerSource currentAnswerSource();

} // namespace LumoEmu
