#include "tlx/Xml.h"

#include <pugixml.hpp>

namespace TLX {
namespace XML {
struct xml_document::Impl {
    pugi::xml_document doc;
};

namespace {
class CStringWriter : public pugi::xml_writer {
public:
    void write(const void* data, size_t size) override { m_Text.append(static_cast<const char*>(data), size); }
    std::string m_Text;
};

const pugi::xml_document& EmptyDocument() {
    static const pugi::xml_document s_Empty;
    return s_Empty;
}
} // namespace

xml_document::xml_document() : m_Impl(std::make_unique<Impl>()) {}

xml_document::~xml_document() = default;

xml_document::xml_document(const xml_document& other) : m_Impl(std::make_unique<Impl>()) {
    if (other.m_Impl) {
        m_Impl->doc.reset(other.m_Impl->doc);
    }
}

xml_document& xml_document::operator=(const xml_document& other) {
    if (this != &other) {
        // copy first, so that a failing copy leaves this document as it was
        auto copy = std::make_unique<Impl>();
        if (other.m_Impl) {
            copy->doc.reset(other.m_Impl->doc);
        }
        m_Impl = std::move(copy);
    }
    return *this;
}

// A moved-from document has no Impl; every member treats that as the empty document.
xml_document::xml_document(xml_document&& other) noexcept = default;
xml_document& xml_document::operator=(xml_document&& other) noexcept = default;

bool xml_document::load_string(const char* text, unsigned options) {
    if (!m_Impl) {
        m_Impl = std::make_unique<Impl>();
    }
    m_Impl->doc.reset();
    if (text == nullptr) {
        return false;
    }
    if (!m_Impl->doc.load_string(text, options)) {
        m_Impl->doc.reset();
        return false;
    }
    return true;
}

std::string xml_document::save(const char* indent, unsigned flags, int encoding) const {
    pugi::xml_encoding enc = pugi::encoding_auto;
    if (encoding >= pugi::encoding_auto && encoding <= pugi::encoding_latin1) {
        enc = static_cast<pugi::xml_encoding>(encoding);
    }
    CStringWriter writer;
    const pugi::xml_document& doc = m_Impl ? m_Impl->doc : EmptyDocument();
    doc.save(writer, indent ? indent : "", flags, enc);
    return writer.m_Text;
}

bool xml_document::empty() const {
    return !m_Impl || !m_Impl->doc.first_child();
}

void xml_document::reset() {
    if (m_Impl) {
        m_Impl->doc.reset();
    } else {
        m_Impl = std::make_unique<Impl>();
    }
}

void* xml_document::native() {
    if (!m_Impl) {
        m_Impl = std::make_unique<Impl>();
    }
    return &m_Impl->doc;
}

const void* xml_document::native() const {
    return m_Impl ? &m_Impl->doc : &EmptyDocument();
}
} // namespace XML

namespace Misc {
bool xmlcompare(const XML::xml_document& a, const XML::xml_document& b) {
    return a.save("\t", 1, 0) == b.save("\t", 1, 0);
}
} // namespace Misc
} // namespace TLX
