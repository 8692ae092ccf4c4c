// Injected controller faults, as listed in LUMO_FAULT or given to LumoEmu_SetFaults.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace LumoEmu {

struct FaultSet {
    bool noController = false;        // Lumo_Detect finds nothing, Lumo_Connect fails
    bool connectFails = false;        // Lumo_Connect fails
    bool emptyAnswer = false;         // a request writes nothing
    bool garbage = false;             // the answer is replaced by bytes that are not JSON
    std::optional<size_t> truncateAt; // the answer is cut to this many bytes
    std::optional<int32_t> status;    // every command entry of the answer gets this "ST"
    uint32_t delayMs = 0;             // each request waits this long before answering

    bool operator==(const FaultSet& other) const;
};

// Parses a comma list such as "garbage, truncate:40,delay:5". Blanks around items are ignored; unknown items
// and items with a bad number are skipped, so one typo does not silence the other faults.
FaultSet parseFaults(const std::string& list);

} // namespace LumoEmu
