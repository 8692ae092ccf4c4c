#include "EmuAnswer.h"

#include <mutex>

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "tlx/JsonBounded.h"

namespace LumoEmu {
namespace {

template <typename Value> std::string compact(const Value& value) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    value.Accept(writer);
    return std::string(buffer.GetString(), buffer.GetSize());
}

// Writes {"SIP":{"V":1,"CMD":[{ <entry> }]}} around what `fillEntry` writes into the one command object.
template <typename FillEntry> std::string envelope(FillEntry fillEntry) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    writer.StartObject();
    writer.Key("SIP");
    writer.StartObject();
    writer.Key("V");
    writer.Int(1);
    writer.Key("CMD");
    writer.StartArray();
    writer.StartObject();
    fillEntry(writer);
    writer.EndObject();
    writer.EndArray();
    writer.EndObject();
    writer.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
}

std::string wrapTree(const std::string& treeText) {
    return envelope([&treeText](rapidjson::Writer<rapidjson::StringBuffer>& writer) {
        writer.Key("OC");
        writer.Int64(kDeviceTreeOperation);
        writer.Key("ST");
        writer.Int(0);
        writer.Key("DA");
        writer.String(treeText.data(), static_cast<rapidjson::SizeType>(treeText.size()));
        writer.Key("MI");
        writer.Int64(kMessageInfo);
    });
}

} // namespace

std::string toAnswerEnvelope(const std::string& source) {
    // The same source always gives the same answer, and a poller asks for the same tree again and again:
    // the last answer is kept, so that a poll costs the controller a comparison, not a parse and a write.
    static std::mutex lastLock;
    static std::string lastSource;
    static std::string lastAnswer;
    {
        std::lock_guard<std::mutex> guard(lastLock);
        if (!lastAnswer.empty() && source == lastSource) {
            return lastAnswer;
        }
    }
    std::string answer = source;
    rapidjson::Document doc;
    if (!TLX::Json::ParseBounded(doc, source.data(), source.size()).IsError() && doc.IsObject() &&
        !doc.HasMember("SIP") && doc.HasMember("TavrinStorageDeviceTree")) {
        answer = wrapTree(compact(doc));
    }
    std::lock_guard<std::mutex> guard(lastLock);
    lastSource = source;
    lastAnswer = answer;
    return answer;
}

std::string unknownOperationAnswer(int64_t operationCode) {
    return envelope([operationCode](rapidjson::Writer<rapidjson::StringBuffer>& writer) {
        writer.Key("OC");
        writer.Int64(operationCode);
        writer.Key("ST");
        writer.Int(kStatusUnknownOperation);
        writer.Key("MI");
        writer.Int64(kMessageInfo);
    });
}

std::string withCommandStatus(const std::string& answer, int32_t status) {
    rapidjson::Document doc;
    if (TLX::Json::ParseBounded(doc, answer.data(), answer.size()).IsError() || !doc.IsObject()) {
        return answer;
    }
    const auto sip = doc.FindMember("SIP");
    if (sip == doc.MemberEnd() || !sip->value.IsObject()) {
        return answer;
    }
    const auto cmd = sip->value.FindMember("CMD");
    if (cmd == sip->value.MemberEnd() || !cmd->value.IsArray()) {
        return answer;
    }
    auto& allocator = doc.GetAllocator();
    for (auto& entry : cmd->value.GetArray()) {
        if (!entry.IsObject()) {
            continue;
        }
        const auto st = entry.FindMember("ST");
        if (st != entry.MemberEnd()) {
            st->value.SetInt(status);
        } else {
            entry.AddMember("ST", rapidjson::Value(status), allocator);
        }
    }
    return compact(doc);
}

std::string garbageAnswer() {
    return "\xff\xfe<<controller firmware fault>>\x01\x02 {\"SIP\":";
}

} // namespace LumoEmu
