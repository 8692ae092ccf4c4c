#include "ObjectKind.h"

#include "HostCodes.h"

namespace pihost {

ObjectKind KindOf(const PI::CObject& object) {
    switch (object.m_Type) {
    case Codes::TYPE_PLUGIN:
        return ObjectKind::Plugin;
    case Codes::TYPE_ADAPTER:
    case Codes::TYPE_ADAPTER_PARSED:
        return ObjectKind::Adapter;
    default:
        break;
    }
    // Drive records carry no type code of their own here; their properties tell them apart.
    if (FindProperty(object, Codes::PROPERTY_LOGICAL_SIZE) || FindProperty(object, Codes::PROPERTY_RAID_LEVEL)) {
        return ObjectKind::LogicalDrive;
    }
    if (FindProperty(object, Codes::PROPERTY_PORT_NUMBER)) {
        return ObjectKind::PhysicalDrive;
    }
    return ObjectKind::Other;
}

const char* KindName(ObjectKind kind) {
    switch (kind) {
    case ObjectKind::Plugin:
        return "plugin";
    case ObjectKind::Adapter:
        return "adapter";
    case ObjectKind::PhysicalDrive:
        return "physical drive";
    case ObjectKind::LogicalDrive:
        return "logical drive";
    case ObjectKind::Other:
        break;
    }
    return "object";
}

const PI::CProperty* FindProperty(const PI::CObject& object, std::int32_t code) {
    for (const auto& p : object.m_Properties) {
        if (p.m_Code == code) {
            return &p;
        }
    }
    return nullptr;
}

std::string DisplayName(const PI::CObject& object) {
    const PI::CProperty* name = FindProperty(object, Codes::PROPERTY_NAME);
    if (name && name->String()) {
        return name->String()->text;
    }
    return std::string();
}
} // namespace pihost
