// Field maps: for each row model, which column every member is bound to, one list per member kind.
#pragma once
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "orm/Singleton.h"
#include "orm/memberposition.h"

namespace RaidDataModels {
// One member of a model bound to one column. Role 0 marks the row-ID column.
struct FieldBinding {
    std::uint64_t position = 0; // the pointer to member as a number (memberposition.h)
    std::string name;
    std::int32_t role = 1;
};

// Polymorphic base through which the query builder finds a model's map (by dynamic cast).
class dbModelFieldsMapBase {
public:
    virtual ~dbModelFieldsMapBase() = default;
};

// The field map of model T, built from T::forEachField in member order.
template <class T> class dbModelFieldsMap : public Singleton<dbModelFieldsMap<T>>, public dbModelFieldsMapBase {
public:
    std::string alias;
    std::vector<FieldBinding> intFields;
    std::vector<FieldBinding> unsignedLongFields;
    std::vector<FieldBinding> stringFields;
    std::vector<FieldBinding> stringListFields;
    std::vector<FieldBinding> doubleFields;

    dbModelFieldsMap() {
        T::forEachField([this](auto member, const char* name, int role) { this->bind(member, name, role); });
    }

    template <class V> void bind(V T::*member, std::string name, std::int32_t role) {
        bindings<V>().push_back(FieldBinding{positionOf(member), std::move(name), role});
    }

    // The binding list of member kind V.
    template <class V> std::vector<FieldBinding>& bindings() {
        return const_cast<std::vector<FieldBinding>&>(static_cast<const dbModelFieldsMap&>(*this).bindings<V>());
    }
    template <class V> const std::vector<FieldBinding>& bindings() const {
        using K = std::remove_cv_t<V>;
        if constexpr (std::is_same_v<K, int>) {
            return intFields;
        } else if constexpr (std::is_same_v<K, unsigned long>) {
            return unsignedLongFields;
        } else if constexpr (std::is_same_v<K, std::string>) {
            return stringFields;
        } else if constexpr (std::is_same_v<K, std::vector<std::string>>) {
            return stringListFields;
        } else {
            static_assert(std::is_same_v<K, double>, "row model members are int, unsigned long, std::string, "
                                                     "std::vector<std::string> or double");
            return doubleFields;
        }
    }

    // The name of the last binding of kind V at this member position, or nullptr when none names it.
    template <class V> const std::string* columnOf(std::uint64_t position) const {
        const std::string* found = nullptr;
        for (const FieldBinding& binding : bindings<V>()) {
            if (binding.position == position) {
                found = &binding.name;
            }
        }
        return found;
    }
};
} // namespace RaidDataModels
