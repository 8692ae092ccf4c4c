// JSON over RapidJSON: a document shared by the objects that wrap its values.
#pragma once
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include <rapidjson/document.h>

#include "tlx/JsonBounded.h"

namespace TLX {
namespace Json {
class TJsonException : public std::runtime_error {
public:
    explicit TJsonException(const std::string& what) : std::runtime_error(what) {}
};

// Expected member types of findMember.
enum TJsonType { JSON_OBJECT = 0, JSON_ARRAY = 1, JSON_STRING = 2, JSON_INTEGER = 3 };

class TJsonObject {
public:
    // Parses text; throws TJsonException naming the parse error and its offset. Nesting deeper than
    // MAX_JSON_DEPTH is such an error; the parse itself never recurses.
    static TJsonObject constructFromParse(const std::string& text);
    static TJsonObject constructFromParse(const char* text);
    // The same, parsing the text in place: the document keeps the text (for large texts read once).
    static TJsonObject constructFromParseInsitu(std::string text);
    // Wraps one value of a shared document.
    TJsonObject(std::shared_ptr<rapidjson::Document> doc, const rapidjson::Value* value);

    // The member `name` of this object, checked for type (0 object, 1 array, 2 string, 3 integer).
    // Throws TJsonException saying which member was missing or of the wrong type.
    TJsonObject findMember(const char* name, int type) const;
    // The same lookup and checks as findMember, giving the value itself (no shared reference is taken).
    const rapidjson::Value& findMemberValue(const char* name, int type) const;

    std::shared_ptr<rapidjson::Document> jsonDoc_Get() const { return m_Doc; }
    const rapidjson::Value& jsonValue_Get() const { return *m_Value; }

private:
    std::shared_ptr<rapidjson::Document> m_Doc;
    const rapidjson::Value* m_Value;
};

// Compact text of a document (no whitespace).
std::string JSONToString(const rapidjson::Document& doc);
std::string JSONToString(const rapidjson::Value& value);
} // namespace Json
} // namespace TLX
