#include "pi/CLogicalDrive.h"

#include <cerrno>
#include <cstdlib>
#include <limits>

#include <pugixml.hpp>

#include "tlx/Xml.h"

namespace PI {
namespace {

// Attribute readers: a missing attribute, or text that is not wholly a number in range, leaves the
// target at its default instead of turning into 0 or a truncated value.
void readInt(const pugi::xml_node& node, const char* name, std::int32_t& target) {
    const pugi::xml_attribute attribute = node.attribute(name);
    if (!attribute) {
        return;
    }
    const char* text = attribute.value();
    char* end = nullptr;
    errno = 0;
    const long long number = std::strtoll(text, &end, 10);
    if (end == text || *end != '\0' || errno == ERANGE || number < std::numeric_limits<std::int32_t>::min() ||
        number > std::numeric_limits<std::int32_t>::max()) {
        return;
    }
    target = static_cast<std::int32_t>(number);
}

void readSize(const pugi::xml_node& node, const char* name, std::uint64_t& target) {
    const pugi::xml_attribute attribute = node.attribute(name);
    if (!attribute) {
        return;
    }
    const char* text = attribute.value();
    // strtoull would quietly wrap a negative number.
    if (*text < '0' || *text > '9') {
        return;
    }
    char* end = nullptr;
    errno = 0;
    const unsigned long long number = std::strtoull(text, &end, 10);
    if (*end != '\0' || errno == ERANGE) {
        return;
    }
    target = static_cast<std::uint64_t>(number);
}

CContainer readContainer(const pugi::xml_node& node) {
    CContainer container;
    readInt(node, "Number", container.m_Number);
    for (const pugi::xml_node& driveNode : node.children("Drive")) {
        CDrive drive;
        readInt(driveNode, "Port", drive.m_PortNumber);
        readInt(driveNode, "Device", drive.m_DeviceNumber);
        readSize(driveNode, "Size", drive.m_Size);
        container.m_Drives.push_back(drive);
    }
    return container;
}

} // namespace

CLogicalDrive::CLogicalDrive(const TLX::XML::xml_document& configuration) {
    const auto* doc = static_cast<const pugi::xml_document*>(configuration.native());
    if (!doc) {
        return;
    }
    const pugi::xml_node root = doc->child("LogicalDrive");
    if (!root) {
        return;
    }
    readInt(root, "Number", m_Number);
    readInt(root, "RaidLevel", m_RaidLevel);
    readInt(root, "StripeSize", m_StripeSize);
    if (const pugi::xml_attribute name = root.attribute("Name")) {
        m_Name = name.value();
    }
    for (const pugi::xml_node& containerNode : root.children("Container")) {
        m_Containers.push_back(readContainer(containerNode));
    }
}

bool CLogicalDrive::operator==(const CLogicalDrive& o) const {
    return m_Number == o.m_Number && m_RaidLevel == o.m_RaidLevel && m_StripeSize == o.m_StripeSize &&
           m_Name == o.m_Name && m_Containers == o.m_Containers;
}

} // namespace PI
