// XML documents over pugixml, kept out of this header so that includers stay light.
#pragma once
#include <memory>
#include <string>

namespace TLX {
namespace XML {
class xml_document {
public:
    xml_document();
    ~xml_document();
    xml_document(const xml_document& other);
    xml_document& operator=(const xml_document& other);
    xml_document(xml_document&& other) noexcept;
    xml_document& operator=(xml_document&& other) noexcept;

    // Replaces the content with the parsed text; parse options as pugixml's (116 is its default
    // set). Returns false, leaving the document empty, when the text does not parse.
    bool load_string(const char* text, unsigned options = 116);
    // Serialised text; format flags and encoding as pugixml's (flags 1: indent; encoding 0: auto).
    std::string save(const char* indent = "\t", unsigned flags = 1, int encoding = 0) const;
    bool empty() const;
    void reset();

    // The underlying pugi::xml_document (for code that includes pugixml itself).
    void* native();
    const void* native() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_Impl;
};
} // namespace XML

namespace Misc {
// True when both documents serialise (indent "\t", flags 1, default encoding) to the same text.
bool xmlcompare(const XML::xml_document& a, const XML::xml_document& b);
} // namespace Misc
} // namespace TLX
