#include "tlx/ModuleInfo.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <limits>

namespace TLX {
namespace Language_Support {
CLanguageSupport::CLngFile::CLngFile(const char* fileName, std::uint16_t language, const char* encoding, int flag,
                                     const char* const* fallbackTexts, int count)
    : m_FileName(fileName ? fileName : ""), m_Language(language), m_Encoding(encoding ? encoding : ""), m_Flag(flag) {
    if (fallbackTexts == nullptr || count <= 0) {
        return;
    }
    m_Texts.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        m_Texts.emplace_back(fallbackTexts[i] ? fallbackTexts[i] : "");
    }
}

std::string CLanguageSupport::CLngFile::Text(int number) const {
    if (number < 0 || static_cast<std::size_t>(number) >= m_Texts.size()) {
        return std::string();
    }
    return m_Texts[static_cast<std::size_t>(number)];
}
} // namespace Language_Support

namespace Misc {
CModuleInfo::CModuleInfo(std::uint32_t moduleNumber, const char* moduleName, const char* version,
                         const Language_Support::CLanguageSupport::CLngFile* lngFile,
                         const Language_Support::CLanguageSupport::ERROR_MSG_LIST* errors)
    : m_ModuleNumber(moduleNumber), m_ModuleName(moduleName ? moduleName : ""), m_Version(version ? version : ""),
      m_LngFile(lngFile), m_Errors(errors), m_TraceMask(ParseMask(std::getenv("TLX_TRACE_MASK"))) {}

std::uint32_t CModuleInfo::ParseMask(const char* text) {
    if (text == nullptr) {
        return 0;
    }
    while (std::isspace(static_cast<unsigned char>(*text))) {
        ++text;
    }
    int base = 10;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text += 2;
    }
    // strtoull would accept a sign or a second "0x"; a mask is plain digits only
    if (!std::isxdigit(static_cast<unsigned char>(*text))) {
        return 0;
    }
    errno = 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, base);
    if (errno != 0 || end == text || value > std::numeric_limits<std::uint32_t>::max()) {
        return 0;
    }
    while (std::isspace(static_cast<unsigned char>(*end))) {
        ++end;
    }
    return *end == '\0' ? static_cast<std::uint32_t>(value) : 0;
}
} // namespace Misc
} // namespace TLX
