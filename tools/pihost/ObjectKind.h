// What a topology record stands for, read from its type code and, for drives, from its properties.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "pi/CObject.h"

namespace pihost {
enum class ObjectKind { Plugin, Adapter, PhysicalDrive, LogicalDrive, Other };

ObjectKind KindOf(const PI::CObject& object);
// "plugin", "adapter", "physical drive", "logical drive", "object".
const char* KindName(ObjectKind kind);

// The property with that code, or null.
const PI::CProperty* FindProperty(const PI::CObject& object, std::int32_t code);
// The text of the object's NAME property, else the empty text.
std::string DisplayName(const PI::CObject& object);
} // namespace pihost
