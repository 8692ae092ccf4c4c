// Checks a request the way the controller does before it runs the command.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace LumoEmu {

struct CheckedRequest {
    bool valid = false;
    int64_t operationCode = 0; // "OC" of the one command, when valid
    std::string problem;       // why the request was refused, when not valid
};

// A request is a JSON object {"SIP":{...,"CMD":[{"OC":<integer>,...}]}} with exactly one command. Exactly
// `length` bytes are read; the text needs no terminating zero.
CheckedRequest checkRequest(const char* text, size_t length);

} // namespace LumoEmu
