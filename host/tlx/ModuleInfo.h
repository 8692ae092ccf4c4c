// Module identity: who writes a trace record and which trace levels are on.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace TLX {
namespace Language_Support {
class CLanguageSupport {
public:
    // A message catalogue: its file, language and the texts used when the file is absent.
    class CLngFile {
    public:
        CLngFile(const char* fileName, std::uint16_t language, const char* encoding, int flag,
                 const char* const* fallbackTexts, int count);
        const std::string& FileName() const { return m_FileName; }
        std::uint16_t Language() const { return m_Language; }
        const std::string& Encoding() const { return m_Encoding; }
        int Flag() const { return m_Flag; }
        // The fallback text with this number, or the empty text.
        std::string Text(int number) const;
        std::size_t Count() const { return m_Texts.size(); }

    private:
        std::string m_FileName;
        std::uint16_t m_Language;
        std::string m_Encoding;
        int m_Flag;
        std::vector<std::string> m_Texts;
    };

    // One error code with the catalogue number of its message; a list ends with an all-zero entry.
    struct ERROR_MSG_ENTRY {
        std::uint32_t errorCode;
        std::uint32_t messageNumber;
    };
    struct ERROR_MSG_LIST {
        ERROR_MSG_ENTRY entries[2];
    };
};
} // namespace Language_Support

namespace Misc {
class CModuleInfo {
public:
    // The trace mask starts from TLX_TRACE_MASK (decimal or 0x-hex), default 0.
    CModuleInfo(std::uint32_t moduleNumber, const char* moduleName, const char* version,
                const Language_Support::CLanguageSupport::CLngFile* lngFile,
                const Language_Support::CLanguageSupport::ERROR_MSG_LIST* errors);

    std::uint32_t ModuleNumber() const { return m_ModuleNumber; }
    const std::string& ModuleName() const { return m_ModuleName; }
    const std::string& Version() const { return m_Version; }
    const Language_Support::CLanguageSupport::CLngFile* LngFile() const { return m_LngFile; }
    const Language_Support::CLanguageSupport::ERROR_MSG_LIST* ErrorList() const { return m_Errors; }

    std::uint32_t GetTraceMask() const { return m_TraceMask.load(std::memory_order_relaxed); }
    void SetTraceMask(std::uint32_t mask) { m_TraceMask.store(mask, std::memory_order_relaxed); }
    bool IsTraceEnabled(std::uint32_t level) const { return (GetTraceMask() & level) != 0; }

    // Parses a mask text as TLX_TRACE_MASK accepts it; 0 for anything unreadable.
    static std::uint32_t ParseMask(const char* text);

private:
    std::uint32_t m_ModuleNumber;
    std::string m_ModuleName;
    std::string m_Version;
    const Language_Support::CLanguageSupport::CLngFile* m_LngFile;
    const Language_Support::CLanguageSupport::ERROR_MSG_LIST* m_Errors;
    std::atomic<std::uint32_t> m_TraceMask;
};
} // namespace Misc
} // namespace TLX
