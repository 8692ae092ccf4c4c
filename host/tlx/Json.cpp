#include "tlx/Json.h"

#include <rapidjson/error/en.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

namespace TLX {
namespace Json {
namespace {
const char* TypeName(int type) {
    switch (type) {
    case JSON_OBJECT:
        return "an object";
    case JSON_ARRAY:
        return "an array";
    case JSON_STRING:
        return "a string";
    case JSON_INTEGER:
        return "an integer";
    default:
        return "of an unknown type";
    }
}

bool HasType(const rapidjson::Value& value, int type) {
    switch (type) {
    case JSON_OBJECT:
        return value.IsObject();
    case JSON_ARRAY:
        return value.IsArray();
    case JSON_STRING:
        return value.IsString();
    case JSON_INTEGER:
        // readers take integers as signed 32-bit numbers; anything wider would be cut
        return value.IsInt();
    default:
        return false;
    }
}
} // namespace

TJsonObject TJsonObject::constructFromParse(const std::string& text) {
    auto doc = std::make_shared<rapidjson::Document>();
    // a zero character ends the text, as it does for callers that hand over a C buffer
    doc->Parse(text.data(), text.size());
    if (doc->HasParseError()) {
        throw TJsonException(std::string("JSON parse error: ") + rapidjson::GetParseError_En(doc->GetParseError()) +
                             " (offset " + std::to_string(doc->GetErrorOffset()) + ")");
    }
    const rapidjson::Value* root = doc.get();
    return TJsonObject(std::move(doc), root);
}

TJsonObject TJsonObject::constructFromParse(const char* text) {
    if (text == nullptr) {
        throw TJsonException("JSON parse error: no text");
    }
    return constructFromParse(std::string(text));
}

TJsonObject::TJsonObject(std::shared_ptr<rapidjson::Document> doc, const rapidjson::Value* value)
    : m_Doc(std::move(doc)), m_Value(value ? value : m_Doc.get()) {
    if (m_Value == nullptr) {
        throw TJsonException("JSON object without a value");
    }
}

TJsonObject TJsonObject::findMember(const char* name, int type) const {
    const std::string member = name ? name : "";
    if (type < JSON_OBJECT || type > JSON_INTEGER) {
        throw TJsonException("JSON member '" + member + "' asked for with unknown type " + std::to_string(type));
    }
    if (!m_Value->IsObject()) {
        throw TJsonException("JSON member '" + member + "' looked up in a value that is not an object");
    }
    auto it = m_Value->FindMember(rapidjson::StringRef(member.data(), member.size()));
    if (it == m_Value->MemberEnd()) {
        throw TJsonException("JSON member '" + member + "' is missing");
    }
    if (!HasType(it->value, type)) {
        throw TJsonException("JSON member '" + member + "' is not " + TypeName(type));
    }
    return TJsonObject(m_Doc, &it->value);
}

std::string JSONToString(const rapidjson::Value& value) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    value.Accept(writer);
    return std::string(buffer.GetString(), buffer.GetSize());
}

std::string JSONToString(const rapidjson::Document& doc) {
    return JSONToString(static_cast<const rapidjson::Value&>(doc));
}
} // namespace Json
} // namespace TLX
