#include "tlx/Json.h"

#include <algorithm>
#include <cstring>

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

namespace {
// A document with a memory pool sized for its text. The pool's default block is 64 KiB, so two
// documents and a 64000-byte answer buffer make the heap top big enough to be trimmed and grown again
// at every request; a pool near the text's size keeps small answers small. Large texts keep the default.
struct SizedDocument {
    explicit SizedDocument(std::size_t textSize) : pool(PoolChunk(textSize)), doc(&pool) {}
    static std::size_t PoolChunk(std::size_t textSize) {
        const std::size_t minimum = 1024;
        const std::size_t standard = 64 * 1024; // RapidJSON's default block
        return std::min(standard, std::max(minimum, textSize + textSize / 2));
    }
    rapidjson::MemoryPoolAllocator<> pool;
    rapidjson::Document doc;
    std::string text; // the text parsed in place, which the document's strings point into
};

// Throws the parse error, naming it and its offset.
void CheckParsed(const rapidjson::ParseResult& result) {
    if (result.IsError()) {
        const std::string error = result.Code() == rapidjson::kParseErrorTermination
                                      ? "nested deeper than " + std::to_string(MAX_JSON_DEPTH) + " levels"
                                      : rapidjson::GetParseError_En(result.Code());
        throw TJsonException("JSON parse error: " + error + " (offset " + std::to_string(result.Offset()) + ")");
    }
}

// `text` ends with a zero character (a C buffer or a std::string's c_str()).
TJsonObject ParsedDocument(const char* text, std::size_t size) {
    auto owner = std::make_shared<SizedDocument>(size);
    std::shared_ptr<rapidjson::Document> doc(owner, &owner->doc);
    // A zero character ends the text, as it does for callers that hand over a C buffer. The terminated
    // form reads the text through RapidJSON's plain string stream, markedly faster than the sized form.
    // Answers come from outside and threads may have small stacks: no nesting may recurse without bound.
    CheckParsed(ParseBounded(*doc, text));
    const rapidjson::Value* root = doc.get();
    return TJsonObject(std::move(doc), root);
}
} // namespace

TJsonObject TJsonObject::constructFromParse(const std::string& text) {
    return ParsedDocument(text.c_str(), text.size());
}

TJsonObject TJsonObject::constructFromParseInsitu(std::string text) {
    auto owner = std::make_shared<SizedDocument>(text.size());
    owner->text = std::move(text);
    std::shared_ptr<rapidjson::Document> doc(owner, &owner->doc);
    CheckParsed(ParseBoundedInsitu(*doc, owner->text.data()));
    const rapidjson::Value* root = doc.get();
    return TJsonObject(std::move(doc), root);
}

TJsonObject TJsonObject::constructFromParse(const char* text) {
    if (text == nullptr) {
        throw TJsonException("JSON parse error: no text");
    }
    // No copy of the text: answers come in 64000-byte buffers.
    return ParsedDocument(text, std::strlen(text));
}

TJsonObject::TJsonObject(std::shared_ptr<rapidjson::Document> doc, const rapidjson::Value* value)
    : m_Doc(std::move(doc)), m_Value(value ? value : m_Doc.get()) {
    if (m_Value == nullptr) {
        throw TJsonException("JSON object without a value");
    }
}

TJsonObject TJsonObject::findMember(const char* name, int type) const {
    return TJsonObject(m_Doc, &findMemberValue(name, type));
}

const rapidjson::Value& TJsonObject::findMemberValue(const char* name, int type) const {
    // The name becomes a text only for an error: lookups are the parse's hot path.
    const char* member = name ? name : "";
    if (type < JSON_OBJECT || type > JSON_INTEGER) {
        throw TJsonException("JSON member '" + std::string(member) + "' asked for with unknown type " +
                             std::to_string(type));
    }
    if (!m_Value->IsObject()) {
        throw TJsonException("JSON member '" + std::string(member) + "' looked up in a value that is not an object");
    }
    auto it = m_Value->FindMember(rapidjson::StringRef(member, static_cast<rapidjson::SizeType>(std::strlen(member))));
    if (it == m_Value->MemberEnd()) {
        throw TJsonException("JSON member '" + std::string(member) + "' is missing");
    }
    if (!HasType(it->value, type)) {
        throw TJsonException("JSON member '" + std::string(member) + "' is not " + TypeName(type));
    }
    return it->value;
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
