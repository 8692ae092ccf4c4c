// Turning the words of a command line into objects, codes and numbers. Pure functions: no plugin needed.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "codes/CodeNames.h"
#include "pi/CObject.h"

namespace pihost {

// OBJECT on the command line: "plugin", "adapter" (the first), "adapter:N" (N counts from 0) or a hex identifier.
struct ObjectRef {
    enum class Kind { Plugin, Adapter, Id };
    Kind kind = Kind::Plugin;
    std::size_t index = 0; // Adapter: position among the adapters
    std::uint64_t id = 0;  // Id
};

bool ParseObjectRef(const std::string& text, ObjectRef& out, std::string& error);

// The identifier OBJECT names in a topology. An explicit identifier is taken as it is (the plugin judges it);
// a missing plugin object or adapter is an error.
bool ResolveObject(const ObjectRef& ref, const std::vector<PI::CObject>& topology, std::uint64_t& id,
                   std::string& error);

// A code by its name in the table, or a decimal number. Names match exactly, else ignoring case with '-' for
// '_' (so poll-interval names POLL_INTERVAL).
bool ParseCode(CodeNames::Table table, const std::string& text, std::int32_t& code, std::string& error);

// Whole decimal seconds within the plugin's range 2..255.
bool ParsePollInterval(const std::string& text, std::int32_t& seconds, std::string& error);

// A trace mask as the tool library reads it: decimal or 0x-hex, fitting 32 bits.
bool ParseTraceMask(const std::string& text, std::string& error);

// A list of controller emulator faults (LUMO_FAULT): comma-separated items of the seven kinds no-controller,
// connect-fails, empty-answer, garbage, truncate:N, status:N, delay:MS, or none. The emulator skips what it does
// not know, so a typo would silently test nothing: anything else is refused here, naming the kinds.
bool ParseFaultList(const std::string& text, std::string& error);

// watch --for: a positive finite number of seconds up to WATCH_MAX_SECONDS.
const double WATCH_MAX_SECONDS = 31536000; // 365 days
bool ParseWatchSeconds(const std::string& text, double& seconds, std::string& error);

// One of the mirror tables (Plugin, Adapter, PD, LD, PD_LD), case ignored; gives the stored spelling.
bool ParseTableName(const std::string& text, std::string& canonical, std::string& error);
const std::vector<std::string>& MirrorTableNames();

} // namespace pihost
