#include "pi/CProperty.h"

#include "tlx/Xml.h"

namespace PI {

void CProperty::SetValue(std::uint64_t number) {
    CMultiValueData data;
    data.value = number;
    m_Value = data;
}

void CProperty::SetValue(const std::string& text) {
    m_Value = CStringData{text};
}

void CProperty::SetValue(const char* text) {
    m_Value = CStringData{text ? std::string(text) : std::string()};
}

void CProperty::SetValue(std::int32_t value, const std::vector<std::int32_t>& choices) {
    m_Value = CChoiceData{value, choices};
}

void CProperty::SetValue(std::int64_t value, std::int64_t minimum, std::int64_t maximum, std::int64_t step) {
    CMultiValueData data;
    // Kept bit for bit; GetValueRangeNormalized reads it back as signed.
    data.value = static_cast<std::uint64_t>(value);
    data.ranged = true;
    data.minimum = minimum;
    data.maximum = maximum;
    data.step = step;
    m_Value = data;
}

void CProperty::SetValue(const std::vector<std::int32_t>& values, const std::vector<std::int32_t>& allowed) {
    m_Value = CMultiLongData{values, allowed};
}

void CProperty::SetValue(const TLX::XML::xml_document& doc) {
    m_Value = CXMLData{doc.save("\t", 1, 0)};
}

void CProperty::SetValue(const std::vector<std::string>& texts) {
    m_Value = CMultiStringData{texts};
}

std::int64_t CProperty::GetValueRangeNormalized() const {
    const CMultiValueData* number = Number();
    if (!number) {
        return 0;
    }
    const auto value = static_cast<std::int64_t>(number->value);
    if (!number->ranged) {
        return value;
    }

    const std::int64_t minimum = number->minimum;
    // A range whose maximum lies below its minimum holds only the minimum.
    if (number->maximum < minimum || value <= minimum) {
        return minimum;
    }
    const std::int64_t clamped = value > number->maximum ? number->maximum : value;
    if (number->step <= 0) {
        return clamped;
    }

    // Snap down onto minimum + k * step. The distance is done in unsigned arithmetic so that
    // ranges spanning most of the signed domain cannot overflow.
    const std::uint64_t distance = static_cast<std::uint64_t>(clamped) - static_cast<std::uint64_t>(minimum);
    const std::uint64_t step = static_cast<std::uint64_t>(number->step);
    const std::uint64_t snapped = distance - distance % step;
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(minimum) + snapped);
}

CProperty::ValueKind CProperty::Kind() const {
    switch (m_Value.index()) {
    case 1:
        return CHOICE;
    case 2:
        return STRING;
    case 3:
        return NUMBER_OR_RANGE;
    case 4:
        return LISTS;
    case 5:
        return XML;
    case 6:
        return STRINGS;
    default:
        return NONE;
    }
}

bool CProperty::operator==(const CProperty& o) const {
    return m_Code == o.m_Code && m_Changeable == o.m_Changeable && m_SubCode == o.m_SubCode && m_Label == o.m_Label &&
           m_Position == o.m_Position && m_ExtraText == o.m_ExtraText && m_Flag == o.m_Flag &&
           m_StatusDisplay == o.m_StatusDisplay && m_Value == o.m_Value;
}

} // namespace PI
