#include "pi/CAdapterID.h"

#include <set>

namespace PI {

CGlobalAdapterID::Table CGlobalAdapterID::AllHostsAdaptersUniqueIDs;

std::mutex& CGlobalAdapterID::TableMutex() {
    static std::mutex mutex;
    return mutex;
}

std::uint32_t CGlobalAdapterID::GenerateUniqueAdapterNumber() {
    std::lock_guard<std::mutex> guard(TableMutex());
    std::map<std::string, std::uint32_t>& numbers = AllHostsAdaptersUniqueIDs[m_HostName];
    const auto known = numbers.find(m_UniqueID);
    if (known != numbers.end()) {
        m_Number = known->second;
        return m_Number;
    }
    // Numbers count per host from 0; the lowest one no adapter of this host holds is handed out,
    // so entries placed in the table by other means are never duplicated.
    std::set<std::uint32_t> taken;
    for (const auto& entry : numbers) {
        taken.insert(entry.second);
    }
    std::uint32_t next = 0;
    while (taken.count(next)) {
        ++next;
    }
    numbers.emplace(m_UniqueID, next);
    m_Number = next;
    return m_Number;
}

} // namespace PI
