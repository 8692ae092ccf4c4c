// Adapter identities handed between host and plugin, and the host-wide adapter numbering.
#pragma once
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace PI {
class CAdapterID {
public:
    CAdapterID() = default;
    CAdapterID(const std::string& text, std::int32_t bus, std::int32_t device, std::int32_t function)
        : m_Text(text), m_Bus(bus), m_Device(device), m_Function(function) {}
    bool operator==(const CAdapterID& o) const {
        return m_Text == o.m_Text && m_Number0 == o.m_Number0 && m_Bus == o.m_Bus && m_Device == o.m_Device &&
               m_Function == o.m_Function && m_Number4 == o.m_Number4 && m_Last == o.m_Last;
    }

    std::string m_Text;
    std::int32_t m_Number0 = 0;
    std::int32_t m_Bus = 0; // PCI location numbers
    std::int32_t m_Device = 0;
    std::int32_t m_Function = 0;
    std::int32_t m_Number4 = 0;
    std::int32_t m_Last = -1; // -1 when unset
};

// A host-wide adapter number for (host name, adapter unique id), stable for the life of the process.
// Numbers count per host name from 0: a new pair gets the lowest number that host does not use yet.
class CGlobalAdapterID {
public:
    // Per host name: unique id -> number. Guarded by TableMutex().
    typedef std::map<std::string, std::map<std::string, std::uint32_t>> Table;
    static Table AllHostsAdaptersUniqueIDs;
    static std::mutex& TableMutex();

    CGlobalAdapterID() = default;
    explicit CGlobalAdapterID(const std::string& hostName) : m_HostName(hostName) {}

    void SetAdapterUniqueID(const std::string& uniqueId) { m_UniqueID = uniqueId; }
    void SetAdapterUniqueID(std::int64_t uniqueId) { m_UniqueID = std::to_string(uniqueId); }
    // Looks up or hands out the number of (host name, unique id); returns it.
    std::uint32_t GenerateUniqueAdapterNumber();
    std::uint32_t GetGlobalAdapterNumber() const { return m_Number; }
    const std::string& GetHostName() const { return m_HostName; }
    const std::string& GetUniqueID() const { return m_UniqueID; }

private:
    std::string m_HostName;
    std::string m_UniqueID;
    std::uint32_t m_Number = static_cast<std::uint32_t>(-1);
};
} // namespace PI
