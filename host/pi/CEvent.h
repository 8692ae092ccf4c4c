// An event the plugin hands to the host.
#pragma once
#include <cstdint>
#include <ctime>
#include <string>

namespace PI {
class CEvent {
public:
    CEvent() = default;
    CEvent(std::uint64_t sourceId, std::int32_t code, std::int32_t code2, std::time_t time,
           const std::string& sourceName)
        : m_SourceID(sourceId), m_Code(code), m_Code2(code2), m_Time(time), m_SourceName(sourceName) {}

    void SetPlaceHolder1(const std::string& text) { m_PlaceHolder1 = text; }
    void SetPlaceHolder2(const std::string& text) { m_PlaceHolder2 = text; }

    bool operator==(const CEvent& o) const {
        return m_SourceID == o.m_SourceID && m_Code == o.m_Code && m_Code2 == o.m_Code2 && m_Time == o.m_Time &&
               m_SourceName == o.m_SourceName && m_PlaceHolder1 == o.m_PlaceHolder1 &&
               m_PlaceHolder2 == o.m_PlaceHolder2;
    }
    bool operator!=(const CEvent& o) const { return !(*this == o); }

    std::uint64_t m_SourceID = 0;
    std::int32_t m_Code = 0;
    std::int32_t m_Code2 = 0;
    std::time_t m_Time = 0;
    std::string m_SourceName;
    std::string m_PlaceHolder1;
    std::string m_PlaceHolder2;
};
} // namespace PI
