#include "tlx/Trace.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <mutex>

#include <fcntl.h>
#include <unistd.h>

#include "tlx/ThreadIndex.h"

namespace TLX {
namespace Internals {
namespace {
// Where finished lines go. Kept behind one mutex so that a line is written with a single write call
// and lines of different threads never mix.
class CTraceSink {
public:
    void SetFile(const std::string& path) {
        std::lock_guard<std::mutex> lock(m_Mutex);
        CloseLocked();
        m_Path = path;
        m_Opened = false;
    }

    void SetObserver(std::function<void(const std::string&)> observer) {
        std::lock_guard<std::mutex> lock(m_Mutex);
        if (observer) {
            m_Observer = std::make_shared<std::function<void(const std::string&)>>(std::move(observer));
        } else {
            m_Observer.reset();
        }
    }

    void Write(const std::string& line) {
        std::shared_ptr<std::function<void(const std::string&)>> observer;
        {
            std::lock_guard<std::mutex> lock(m_Mutex);
            OpenLocked();
            const std::string whole = line + '\n';
            WriteAll(m_Fd >= 0 ? m_Fd : STDERR_FILENO, whole);
            observer = m_Observer;
        }
        // outside the lock: an observer may trace itself
        if (observer) {
            (*observer)(line);
        }
    }

    ~CTraceSink() { CloseLocked(); }

private:
    void OpenLocked() {
        if (m_Opened) {
            return;
        }
        m_Opened = true;
        std::string path = m_Path;
        if (path.empty()) {
            const char* env = std::getenv("TLX_TRACE_FILE");
            path = env ? env : "";
        }
        if (!path.empty()) {
            // O_APPEND keeps whole lines even when other processes append to the same file
            m_Fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        }
    }

    void CloseLocked() {
        if (m_Fd >= 0) {
            ::close(m_Fd);
            m_Fd = -1;
        }
    }

    static void WriteAll(int fd, const std::string& text) {
        const char* data = text.data();
        std::size_t left = text.size();
        while (left > 0) {
            const ssize_t n = ::write(fd, data, left);
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return; // tracing must never fail the traced code
            }
            data += n;
            left -= static_cast<std::size_t>(n);
        }
    }

    std::mutex m_Mutex;
    std::string m_Path;
    bool m_Opened = false;
    int m_Fd = -1;
    std::shared_ptr<std::function<void(const std::string&)>> m_Observer;
};

CTraceSink& Sink() {
    static CTraceSink s_Sink;
    return s_Sink;
}

std::string TimeStamp() {
    const auto now = std::chrono::system_clock::now();
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(now.time_since_epoch()).count() % 1000000;
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[64];
    const std::size_t len = std::strftime(text, sizeof(text), "%Y-%m-%dT%H:%M:%S", &utc);
    std::snprintf(text + len, sizeof(text) - len, ".%06ld", static_cast<long>(micros < 0 ? micros + 1000000 : micros));
    return text;
}

// One record is one line: line breaks and tabs inside a message become spaces, so that a reader can
// split every line into exactly seven tab-separated fields.
std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r' || c == '\t') {
            c = ' ';
        }
    }
    return text;
}
} // namespace

CTraceStreamBuffer::CTraceStreamBuffer(std::uint32_t level, const Misc::CModuleInfo& module, const char* sourceFile,
                                       const char* function, int line)
    : m_Level(level), m_Module(module), m_SourceFile(sourceFile), m_Function(function ? function : ""), m_Line(line) {}

CTraceStreamBuffer::CTraceStreamBuffer(std::uint32_t level, const Misc::CModuleInfo& module, const char* sourceFile,
                                       const std::string& function, int line)
    : m_Level(level), m_Module(module), m_SourceFile(sourceFile), m_Function(function), m_Line(line) {}

CTraceStreamBuffer::~CTraceStreamBuffer() {
    try {
        char level[16];
        std::snprintf(level, sizeof(level), "%x", static_cast<unsigned>(m_Level));
        std::string line = TimeStamp();
        line += '\t';
        line += std::to_string(CurrentThreadIndex());
        line += '\t';
        line += level;
        line += '\t';
        line += OneLine(m_Module.ModuleName());
        line += '\t';
        line += OneLine(m_SourceFile ? m_SourceFile : "");
        line += ':';
        line += std::to_string(m_Line);
        line += '\t';
        line += OneLine(m_Function);
        line += '\t';
        line += OneLine(m_Message);
        Sink().Write(line);
    } catch (...) {
        // a record that cannot be written (memory) is dropped; a destructor must not throw
    }
}

void SetTraceFile(const std::string& path) {
    Sink().SetFile(path);
}

void SetTraceObserver(std::function<void(const std::string&)> observer) {
    Sink().SetObserver(std::move(observer));
}
} // namespace Internals

namespace Output_Streams {
namespace {
bool IsFlag(char c) {
    return c == '-' || c == '+' || c == ' ' || c == '#' || c == '0';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsLength(char c) {
    return c == 'h' || c == 'l' || c == 'L' || c == 'q' || c == 'j' || c == 'z' || c == 't';
}
bool IsConversion(char c) {
    switch (c) {
    case 'd':
    case 'i':
    case 'u':
    case 'x':
    case 'X':
    case 'o':
    case 'c':
    case 's':
    case 'S':
        return true;
    default:
        return false;
    }
}

// A parsed field: flags, width and precision as written ("08", "-10", ".3") and the conversion letter.
struct Field {
    std::string prefix; // flags, width and precision, without length modifiers
    char conversion = 0;
};

Field ParseField(const std::string& fieldText) {
    Field field;
    std::size_t i = 1; // after '%'
    while (i < fieldText.size() && (IsFlag(fieldText[i]) || IsDigit(fieldText[i]) || fieldText[i] == '.')) {
        field.prefix += fieldText[i++];
    }
    while (i < fieldText.size() && IsLength(fieldText[i])) {
        ++i;
    }
    field.conversion = i < fieldText.size() ? fieldText[i] : 's';
    return field;
}

template <typename... Args> std::string Printf(const std::string& format, Args... args) {
    const int len = std::snprintf(nullptr, 0, format.c_str(), args...);
    if (len <= 0) {
        return std::string();
    }
    std::string out(static_cast<std::size_t>(len) + 1, '\0');
    std::snprintf(&out[0], out.size(), format.c_str(), args...);
    out.resize(static_cast<std::size_t>(len));
    return out;
}

// The number at the width it was given: a negative 32-bit value shown as %x or %u keeps 32 bits.
std::string FormatNumber(const Field& field, const FormatInt& value) {
    const bool isSigned = !value.isUnsigned;
    const unsigned long long bits = value.is64
                                        ? static_cast<unsigned long long>(value.value)
                                        : static_cast<unsigned long long>(static_cast<std::uint32_t>(value.value));
    switch (field.conversion) {
    case 'd':
    case 'i':
        // the value itself: an unsigned argument is never shown negative
        if (isSigned) {
            return Printf("%" + field.prefix + "lld", static_cast<long long>(value.value));
        }
        return Printf("%" + field.prefix + "llu", bits);
    case 'u':
        return Printf("%" + field.prefix + "llu", bits);
    case 'x':
    case 'X':
    case 'o':
        return Printf("%" + field.prefix + "ll" + field.conversion, bits);
    case 'c':
        return Printf("%" + field.prefix + "c", static_cast<int>(static_cast<unsigned char>(bits)));
    default: // a number in a text field is shown in decimal
        if (isSigned) {
            return Printf("%" + field.prefix + "lld", static_cast<long long>(value.value));
        }
        return Printf("%" + field.prefix + "llu", bits);
    }
}

std::string FormatText(const Field& field, const std::string& text) {
    if (field.prefix.empty()) {
        return text;
    }
    // width and precision apply as for %s; a zero inside the text would end it early, so pad by hand
    std::string flags;
    std::size_t i = 0;
    bool left = false;
    while (i < field.prefix.size() && IsFlag(field.prefix[i])) {
        left = left || field.prefix[i] == '-';
        ++i;
    }
    std::size_t width = 0;
    while (i < field.prefix.size() && IsDigit(field.prefix[i])) {
        width = width * 10 + static_cast<std::size_t>(field.prefix[i++] - '0');
    }
    std::string out = text;
    if (i < field.prefix.size() && field.prefix[i] == '.') {
        std::size_t precision = 0;
        ++i;
        while (i < field.prefix.size() && IsDigit(field.prefix[i])) {
            precision = precision * 10 + static_cast<std::size_t>(field.prefix[i++] - '0');
        }
        if (out.size() > precision) {
            out.resize(precision);
        }
    }
    if (out.size() < width) {
        const std::string pad(width - out.size(), ' ');
        out = left ? out + pad : pad + out;
    }
    return out;
}
} // namespace

CFormatStream::CFormatStream(Internals::CTraceStreamBuffer&& record, const char* format)
    : m_Record(record), m_Format(format ? format : "") {}

CFormatStream::CFormatStream(Internals::CTraceStreamBuffer& record, const char* format)
    : m_Record(record), m_Format(format ? format : "") {}

CFormatStream::~CFormatStream() {
    try {
        // the rest of the format: plain text, "%%" and fields that got no argument
        for (std::string field = NextField(); !field.empty(); field = NextField()) {
            m_Out += field;
        }
        m_Record.Append(m_Out);
    } catch (...) {
        // a destructor must not throw; the record keeps what it has
    }
}

std::string CFormatStream::NextField() {
    while (m_Pos < m_Format.size()) {
        const char c = m_Format[m_Pos];
        if (c != '%') {
            m_Out += c;
            ++m_Pos;
            continue;
        }
        if (m_Pos + 1 < m_Format.size() && m_Format[m_Pos + 1] == '%') {
            m_Out += '%';
            m_Pos += 2;
            continue;
        }
        std::size_t i = m_Pos + 1;
        while (i < m_Format.size() && (IsFlag(m_Format[i]) || IsDigit(m_Format[i]) || m_Format[i] == '.')) {
            ++i;
        }
        while (i < m_Format.size() && IsLength(m_Format[i])) {
            ++i;
        }
        if (i < m_Format.size() && IsConversion(m_Format[i])) {
            std::string fieldText = m_Format.substr(m_Pos, i + 1 - m_Pos);
            m_Pos = i + 1;
            return fieldText;
        }
        // not a field we fill: keep the '%' as text
        m_Out += c;
        ++m_Pos;
    }
    return std::string();
}

CFormatStream& CFormatStream::operator<<(const FormatInt& value) {
    const std::string fieldText = NextField();
    if (!fieldText.empty()) {
        m_Out += FormatNumber(ParseField(fieldText), value);
    }
    return *this;
}

CFormatStream& CFormatStream::operator<<(const char* text) {
    return *this << std::string(text ? text : "(null)");
}

CFormatStream& CFormatStream::operator<<(const std::string& text) {
    const std::string fieldText = NextField();
    if (!fieldText.empty()) {
        m_Out += FormatText(ParseField(fieldText), text);
    }
    return *this;
}

CFormatStream& CFormatStream::operator<<(const Exceptions::CErrorLog& log) {
    return *this << log.Text();
}

std::string CFormatStream::Text() const {
    return m_Out;
}
} // namespace Output_Streams
} // namespace TLX
