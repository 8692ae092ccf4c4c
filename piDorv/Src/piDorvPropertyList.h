// The one way a shown object builds the property list it answers with:
//
//   CPropertyList list(out, id, 16);
//   list.Add(Property::NAME, m_Name).Label(23298);
//   list.Add(Property::STATUS, m_Status, statusChoices).StatusDisplay(display).Label(23324);
//
// The properties are offered in list order; only the one asked for is built, or every one when
// Property::ALL is asked for. A display field not set keeps the property's default.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pi/CProperty.h"
#include "piDorvCodes.h"

namespace NAMESPACE_piDorv {
// A count or number as the unsigned number a property holds; a negative one wraps around.
template <class Integer> std::uint64_t AsNumber(Integer number) {
    return static_cast<std::uint64_t>(number);
}

class CPropertyList {
public:
    // The display fields of the property just offered; they are set only when it was built.
    class CEntry {
    public:
        explicit CEntry(PI::CProperty* property) : m_Property(property) {}
        CEntry& Changeable() { return Set(&PI::CProperty::m_Changeable, true); }
        CEntry& SubCode(std::int32_t code) { return Set(&PI::CProperty::m_SubCode, code); }
        CEntry& Label(std::int32_t text) { return Set(&PI::CProperty::m_Label, text); }
        CEntry& Position(std::int32_t position) { return Set(&PI::CProperty::m_Position, position); }
        CEntry& ExtraText(std::int32_t text) { return Set(&PI::CProperty::m_ExtraText, text); }
        CEntry& Flag(std::uint8_t flag) { return Set(&PI::CProperty::m_Flag, flag); }
        CEntry& StatusDisplay(std::int32_t display) { return Set(&PI::CProperty::m_StatusDisplay, display); }

    private:
        template <class Field> CEntry& Set(Field PI::CProperty::*field, Field value) {
            if (m_Property != nullptr) {
                m_Property->*field = value;
            }
            return *this;
        }

        PI::CProperty* m_Property;
    };

    // Appends to `out`, with room made at once for `allCount` properties when all are asked for.
    CPropertyList(std::vector<PI::CProperty>& out, PI::_PROPERTY_ID wanted, std::size_t allCount)
        : m_Out(out), m_Wanted(wanted) {
        if (m_Wanted == Property::ALL) {
            m_Out.reserve(m_Out.size() + allCount); // no regrowth on the way
        }
    }

    bool Wants(PI::_PROPERTY_ID code) const { return m_Wanted == Property::ALL || m_Wanted == code; }

    // Offers the property `code` with the value PI::CProperty::SetValue makes of `value`.
    template <class... Value> CEntry Add(PI::_PROPERTY_ID code, const Value&... value) {
        if (!Wants(code)) {
            return CEntry(nullptr);
        }
        // Built in place: a property moved into the list costs as much as filling it.
        PI::CProperty& property = m_Out.emplace_back(code, false);
        property.SetValue(value...);
        return CEntry(&property);
    }

private:
    std::vector<PI::CProperty>& m_Out;
    PI::_PROPERTY_ID m_Wanted;
};
} // namespace NAMESPACE_piDorv
