// One-line texts of shown properties and operations, so that a whole list is checked against a table
// and a mismatch shows the field that differs. Fields at their defaults are left out. And the check
// that a shown object compares and takes over each of its members.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "pi/COperation.h"
#include "pi/CProperty.h"

namespace test_support {
template <class Numbers> std::string JoinNumbers(const Numbers& numbers) {
    std::string out;
    for (std::int32_t n : numbers) {
        out += (out.empty() ? "" : ",") + std::to_string(n);
    }
    return "{" + out + "}";
}

// e.g. "30017 label=23127 sd=24000 40024 of {40024,40150,40095}"; text values are quoted, numbers
// start with '#', an XML value shows only as "xml".
inline std::string Describe(const PI::CProperty& p) {
    std::string out = std::to_string(p.m_Code);
    const auto field = [&out](const char* name, std::int32_t value, std::int32_t usual) {
        if (value != usual) {
            out += std::string(" ") + name + "=" + std::to_string(value);
        }
    };
    field("sub", p.m_SubCode, -1);
    field("pos", p.m_Position, -1);
    field("label", p.m_Label, -1);
    field("extra", p.m_ExtraText, -1);
    field("flag", p.m_Flag, 1);
    field("sd", p.m_StatusDisplay, -1);
    out += p.m_Changeable ? " rw" : "";
    if (const auto* s = p.String()) {
        out += " '" + s->text + "'";
    } else if (const auto* n = p.Number()) {
        out += " #" + std::to_string(n->value);
        if (n->ranged) {
            out += " [" + std::to_string(n->minimum) + ".." + std::to_string(n->maximum) + "/" +
                   std::to_string(n->step) + "]";
        }
    } else if (const auto* c = p.Choice()) {
        out += " " + std::to_string(c->value) + " of " + JoinNumbers(c->choices);
    } else if (const auto* l = p.Lists()) {
        out += " " + JoinNumbers(l->values) + " of " + JoinNumbers(l->allowed);
    } else if (p.Xml() != nullptr) {
        out += " xml";
    } else if (const auto* t = p.Strings()) {
        for (const std::string& text : t->texts) {
            out += " '" + text + "'";
        }
    }
    return out;
}

// e.g. "50007 kind=1 block={2,1,1,1,-1,1}"; a second code that differs and a set flag are added.
inline std::string Describe(const PI::COperation& op) {
    std::string out = std::to_string(op.m_Code);
    out += op.m_Code2 != op.m_Code ? " code2=" + std::to_string(op.m_Code2) : "";
    out += " kind=" + std::to_string(op.m_Kind) + " block=" + JoinNumbers(op.m_Block);
    return out + (op.m_Flag ? " flag" : "");
}

// Two lists, one after the other.
template <class T> std::vector<T> operator+(std::vector<T> a, const std::vector<T>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Every change counts for Equal and Unequal, and is taken by Update.
template <class Object>
void ExpectEachChangeCountsAndIsTaken(const Object& base, const std::vector<std::function<void(Object&)>>& changes) {
    for (std::size_t i = 0; i < changes.size(); ++i) {
        Object other = base;
        changes[i](other);
        EXPECT_TRUE(!base.Equal(other) && base.Unequal(other)) << i;
        Object copy = base;
        copy.Update(other);
        EXPECT_TRUE(copy.Equal(other)) << i;
    }
}

// A whole list of properties or operations.
template <class Record> std::vector<std::string> Describe(const std::vector<Record>& list) {
    std::vector<std::string> out;
    for (const Record& record : list) {
        out.push_back(Describe(record));
    }
    return out;
}
} // namespace test_support
