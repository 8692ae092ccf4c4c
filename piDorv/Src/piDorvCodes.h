// The host's codes under the short names the plugin's files use (Status::SUCCESS, Value::OK, ...).
#pragma once
#include "codes/HostCodes.h"

namespace NAMESPACE_piDorv {
namespace Status = HostCodes::Status;
namespace ObjectType = HostCodes::ObjectType;
namespace Value = HostCodes::Value;
namespace Event = HostCodes::Event;
namespace Operation = HostCodes::Operation;
namespace Property = HostCodes::Property;
namespace SubProperty = HostCodes::SubProperty;
namespace Text = HostCodes::Text;
} // namespace NAMESPACE_piDorv
