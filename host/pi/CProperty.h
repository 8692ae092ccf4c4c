// One property of a shown object: a code, display fields and one value.
#pragma once
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "pi/PITypes.h"

namespace TLX {
namespace XML {
class xml_document;
}
} // namespace TLX

namespace PI {
// A value with the codes it may take.
struct CChoiceData {
    std::int32_t value = 0;
    std::vector<std::int32_t> choices;
    bool operator==(const CChoiceData& o) const { return value == o.value && choices == o.choices; }
};
struct CStringData {
    std::string text;
    bool operator==(const CStringData& o) const { return text == o.text; }
};
// A single unsigned number, or a ranged value with minimum, maximum and step.
struct CMultiValueData {
    std::uint64_t value = 0;
    bool ranged = false;
    std::int64_t minimum = 0;
    std::int64_t maximum = 0;
    std::int64_t step = 0;
    bool operator==(const CMultiValueData& o) const {
        return value == o.value && ranged == o.ranged && minimum == o.minimum && maximum == o.maximum && step == o.step;
    }
};
// Two parallel integer lists: the current entries and the allowed codes.
struct CMultiLongData {
    std::vector<std::int32_t> values;
    std::vector<std::int32_t> allowed;
    bool operator==(const CMultiLongData& o) const { return values == o.values && allowed == o.allowed; }
};
// An XML document, held as its serialised text so that the record stays a plain value.
struct CXMLData {
    std::string xml;
    bool operator==(const CXMLData& o) const { return xml == o.xml; }
};
struct CMultiStringData {
    std::vector<std::string> texts;
    bool operator==(const CMultiStringData& o) const { return texts == o.texts; }
};

class CProperty {
public:
    enum ValueKind { NONE, CHOICE, STRING, NUMBER_OR_RANGE, LISTS, XML, STRINGS };

    CProperty() = default;
    CProperty(_PROPERTY_ID code, bool changeable) : m_Code(code), m_Changeable(changeable) {}

    void SetValue(std::uint64_t number);
    void SetValue(const std::string& text);
    void SetValue(const char* text);
    void SetValue(std::int32_t value, const std::vector<std::int32_t>& choices);
    void SetValue(std::int64_t value, std::int64_t minimum, std::int64_t maximum, std::int64_t step);
    void SetValue(const std::vector<std::int32_t>& values, const std::vector<std::int32_t>& allowed);
    void SetValue(const TLX::XML::xml_document& doc);
    void SetValue(const std::vector<std::string>& texts);

    // The ranged value clamped to [minimum, maximum] and onto the step grid from the minimum.
    // A plain number is returned as it is; any other value kind gives 0.
    std::int64_t GetValueRangeNormalized() const;

    ValueKind Kind() const;
    const CChoiceData* Choice() const { return std::get_if<CChoiceData>(&m_Value); }
    const CStringData* String() const { return std::get_if<CStringData>(&m_Value); }
    const CMultiValueData* Number() const { return std::get_if<CMultiValueData>(&m_Value); }
    const CMultiLongData* Lists() const { return std::get_if<CMultiLongData>(&m_Value); }
    const CXMLData* Xml() const { return std::get_if<CXMLData>(&m_Value); }
    const CMultiStringData* Strings() const { return std::get_if<CMultiStringData>(&m_Value); }

    bool operator==(const CProperty& o) const;
    bool operator!=(const CProperty& o) const { return !(*this == o); }

    _PROPERTY_ID m_Code = 0;
    bool m_Changeable = false;
    std::int32_t m_SubCode = -1;       // sub-property code
    std::int32_t m_Label = -1;         // label text number
    std::int32_t m_Position = -1;      // display-group position number
    std::int32_t m_ExtraText = -1;     // extra text number
    std::uint8_t m_Flag = 1;           // one-byte flag after the extra text number
    std::int32_t m_StatusDisplay = -1; // status display number

private:
    std::variant<std::monostate, CChoiceData, CStringData, CMultiValueData, CMultiLongData, CXMLData, CMultiStringData>
        m_Value;
};
} // namespace PI
