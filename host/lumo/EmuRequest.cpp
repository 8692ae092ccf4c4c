#include "EmuRequest.h"

#include <rapidjson/document.h>
#include <rapidjson/error/en.h>

#include "tlx/JsonBounded.h"

namespace LumoEmu {
namespace {

CheckedRequest refused(std::string problem) {
    CheckedRequest result;
    result.problem = std::move(problem);
    return result;
}

} // namespace

CheckedRequest checkRequest(const char* text, size_t length) {
    if (text == nullptr) {
        return refused("Request text is null");
    }
    rapidjson::Document doc;
    const rapidjson::ParseResult parsed = TLX::Json::ParseBounded(doc, text, length);
    if (parsed.IsError()) {
        return refused(std::string("Request is not JSON: ") + rapidjson::GetParseError_En(parsed.Code()) +
                       " at offset " + std::to_string(parsed.Offset()));
    }
    if (!doc.IsObject()) {
        return refused("Request is not a JSON object");
    }
    const auto sip = doc.FindMember("SIP");
    if (sip == doc.MemberEnd() || !sip->value.IsObject()) {
        return refused("Request has no \"SIP\" object");
    }
    const auto cmd = sip->value.FindMember("CMD");
    if (cmd == sip->value.MemberEnd() || !cmd->value.IsArray()) {
        return refused("Request has no \"CMD\" array");
    }
    if (cmd->value.Size() != 1) {
        return refused("Request must carry exactly one command, found " + std::to_string(cmd->value.Size()));
    }
    const auto& command = cmd->value[0];
    if (!command.IsObject()) {
        return refused("Command is not a JSON object");
    }
    const auto oc = command.FindMember("OC");
    if (oc == command.MemberEnd() || !oc->value.IsInt64()) {
        return refused("Command has no integer \"OC\"");
    }
    CheckedRequest result;
    result.valid = true;
    result.operationCode = oc->value.GetInt64();
    return result;
}

} // namespace LumoEmu
