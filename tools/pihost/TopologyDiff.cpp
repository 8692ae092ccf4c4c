#include "TopologyDiff.h"

#include "HostCodes.h"

namespace pihost {
namespace {

Change Describe(Change::Kind kind, const PI::CObject& object) {
    Change change;
    change.kind = kind;
    change.id = object.m_ID;
    change.type = object.m_Type;
    change.objectKind = KindOf(object);
    change.name = DisplayName(object);
    return change;
}

std::string UniqueId(const PI::CObject& object) {
    const PI::CProperty* p = FindProperty(object, Codes::PROPERTY_UNIQUE_ID);
    return p && p->String() ? p->String()->text : std::string();
}

const PI::CObject* FindById(const std::vector<PI::CObject>& objects, std::uint64_t id) {
    for (const auto& object : objects) {
        if (object.m_ID == id) {
            return &object;
        }
    }
    return nullptr;
}

void DiffProperties(const PI::CObject& before, const PI::CObject& after, std::vector<Change>& out) {
    for (const auto& now : after.m_Properties) {
        const PI::CProperty* then = FindProperty(before, now.m_Code);
        if (then && SameValue(*then, now)) {
            continue;
        }
        Change change = Describe(Change::Kind::Property, after);
        change.code = now.m_Code;
        if (then) {
            change.before = *then;
        }
        change.after = now;
        out.push_back(std::move(change));
    }
    for (const auto& then : before.m_Properties) {
        if (FindProperty(after, then.m_Code)) {
            continue;
        }
        Change change = Describe(Change::Kind::Property, after);
        change.code = then.m_Code;
        change.before = then;
        out.push_back(std::move(change));
    }
}
} // namespace

bool SameValue(const PI::CProperty& a, const PI::CProperty& b) {
    if (a.Kind() != b.Kind()) {
        return false;
    }
    switch (a.Kind()) {
    case PI::CProperty::CHOICE:
        return *a.Choice() == *b.Choice();
    case PI::CProperty::STRING:
        return *a.String() == *b.String();
    case PI::CProperty::NUMBER_OR_RANGE:
        return *a.Number() == *b.Number();
    case PI::CProperty::LISTS:
        return *a.Lists() == *b.Lists();
    case PI::CProperty::XML:
        return *a.Xml() == *b.Xml();
    case PI::CProperty::STRINGS:
        return *a.Strings() == *b.Strings();
    case PI::CProperty::NONE:
        break;
    }
    return true;
}

std::vector<Change> DiffTopology(const std::vector<PI::CObject>& before, const std::vector<PI::CObject>& after) {
    // Objects without a partner of the same identifier; some of them may be renumbered ones.
    std::vector<const PI::CObject*> gone;
    for (const auto& object : before) {
        if (!FindById(after, object.m_ID)) {
            gone.push_back(&object);
        }
    }

    std::vector<Change> changes;
    std::vector<Change> rest;
    for (const auto& now : after) {
        if (const PI::CObject* then = FindById(before, now.m_ID)) {
            DiffProperties(*then, now, rest);
            continue;
        }
        const std::string key = UniqueId(now);
        const PI::CObject* partner = nullptr;
        if (!key.empty()) {
            for (auto it = gone.begin(); it != gone.end(); ++it) {
                if ((*it)->m_Type == now.m_Type && UniqueId(**it) == key) {
                    partner = *it;
                    gone.erase(it);
                    break;
                }
            }
        }
        if (partner) {
            Change change = Describe(Change::Kind::Renumbered, now);
            change.oldId = partner->m_ID;
            rest.push_back(std::move(change));
            DiffProperties(*partner, now, rest);
        } else {
            rest.push_back(Describe(Change::Kind::Added, now));
        }
    }
    for (const PI::CObject* object : gone) {
        changes.push_back(Describe(Change::Kind::Removed, *object));
    }
    changes.insert(changes.end(), rest.begin(), rest.end());
    return changes;
}

} // namespace pihost
