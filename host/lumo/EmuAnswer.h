// Builds the answer envelopes the controller sends back.
#pragma once
#include <cstdint>
#include <string>

namespace LumoEmu {

constexpr int64_t kDeviceTreeOperation = 8624; // "OC" of the storage device tree command
constexpr int64_t kMessageInfo = 196613;       // "MI" the controller puts into every answer
constexpr int32_t kStatusUnknownOperation = 1; // "ST" for an operation code the controller does not know

// A text with a "SIP" object is already an envelope and is kept byte for byte; a bare device tree (an object
// with "TavrinStorageDeviceTree") is wrapped into a full answer with the compact tree in "DA"; anything else,
// including text that is not JSON or nests deeper than TLX::Json::MAX_JSON_DEPTH, is returned unchanged so
// that broken answers can be replayed.
std::string toAnswerEnvelope(const std::string& source);

// {"SIP":{"V":1,"CMD":[{"OC":<operationCode>,"ST":1,"MI":196613}]}}: refused, no "DA".
std::string unknownOperationAnswer(int64_t operationCode);

// Sets "ST" of every command entry to `status`, keeping the rest. An answer without a "SIP"."CMD" array of
// objects (or one nested too deep to read) is returned unchanged.
std::string withCommandStatus(const std::string& answer, int32_t status);

// Bytes no JSON parser accepts, as a controller with a broken firmware might send.
std::string garbageAnswer();

} // namespace LumoEmu
