// Trace records: one whole line per record, written only when its level is on.
//
//   TLX_TRACE(module, level, "file", "function", "%s value=%d") << "function" << FormatInt(v);
//
// When the level is off the macro evaluates nothing after the mask test, arguments included.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "tlx/ErrorLog.h"
#include "tlx/ModuleInfo.h"

namespace TLX {
namespace Internals {
// Collects the text of one record and writes the line when destroyed.
class CTraceStreamBuffer {
public:
    CTraceStreamBuffer(std::uint32_t level, const Misc::CModuleInfo& module, const char* sourceFile,
                       const char* function, int line);
    CTraceStreamBuffer(std::uint32_t level, const Misc::CModuleInfo& module, const char* sourceFile,
                       const std::string& function, int line);
    ~CTraceStreamBuffer();
    CTraceStreamBuffer(const CTraceStreamBuffer&) = delete;
    CTraceStreamBuffer& operator=(const CTraceStreamBuffer&) = delete;

    void Append(const std::string& text) { m_Message += text; }

private:
    std::uint32_t m_Level;
    const Misc::CModuleInfo& m_Module;
    const char* m_SourceFile;
    std::string m_Function;
    int m_Line;
    std::string m_Message;
};

// Where finished lines go. By default: the file named by TLX_TRACE_FILE (appended), else stderr.
// An empty path restores that default.
void SetTraceFile(const std::string& path);
// Tests can watch every finished line (without the trailing newline); an empty function stops it.
void SetTraceObserver(std::function<void(const std::string&)> observer);
} // namespace Internals

namespace Output_Streams {
// A 32- or 64-bit integer argument for a format field such as %d, %u or %x.
struct FormatInt {
    explicit FormatInt(std::int32_t v) : value(v), is64(false), isUnsigned(false) {}
    explicit FormatInt(std::uint32_t v) : value(static_cast<std::int64_t>(v)), is64(false), isUnsigned(true) {}
    explicit FormatInt(std::int64_t v) : value(v), is64(true), isUnsigned(false) {}
    explicit FormatInt(std::uint64_t v) : value(static_cast<std::int64_t>(v)), is64(true), isUnsigned(true) {}
    explicit FormatInt(long long v) : value(static_cast<std::int64_t>(v)), is64(true), isUnsigned(false) {}
    explicit FormatInt(unsigned long long v) : value(static_cast<std::int64_t>(v)), is64(true), isUnsigned(true) {}
    std::int64_t value;
    bool is64;
    bool isUnsigned;
};

// Fills a printf-style format field by field, in order; hands the text to the record when destroyed.
// Fields left without an argument stay as written; "%%" becomes "%".
class CFormatStream {
public:
    // The stream keeps a reference: a temporary record serves only within one statement (as in TLX_TRACE).
    CFormatStream(Internals::CTraceStreamBuffer&& record, const char* format);
    CFormatStream(Internals::CTraceStreamBuffer& record, const char* format);
    ~CFormatStream();
    CFormatStream(const CFormatStream&) = delete;
    CFormatStream& operator=(const CFormatStream&) = delete;

    CFormatStream& operator<<(const FormatInt& value);
    CFormatStream& operator<<(const char* text);
    CFormatStream& operator<<(const std::string& text);
    CFormatStream& operator<<(const Exceptions::CErrorLog& log);

    // The text so far (used by tests and by the record).
    std::string Text() const;

private:
    // Copies the format up to the next field and returns that field's text ("" at the end).
    std::string NextField();

    Internals::CTraceStreamBuffer& m_Record;
    std::string m_Format;
    std::size_t m_Pos = 0;
    std::string m_Out;
};
} // namespace Output_Streams
} // namespace TLX

#define TLX_TRACE(module, level, sourceFile, function, format)                                                         \
    if (!(module).IsTraceEnabled(level)) {                                                                             \
    } else                                                                                                             \
        TLX::Output_Streams::CFormatStream(                                                                            \
            TLX::Internals::CTraceStreamBuffer((level), (module), (sourceFile), (function), __LINE__), (format))
