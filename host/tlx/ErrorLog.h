// Turning an escaped exception into a record that a trace line can carry.
#pragma once
#include <exception>
#include <string>

namespace TLX {
namespace Exceptions {
class CErrorLog {
public:
    CErrorLog() = default;
    explicit CErrorLog(std::string text) : m_Text(std::move(text)) {}
    const std::string& Text() const { return m_Text; }
    void SetText(std::string text) { m_Text = std::move(text); }

private:
    std::string m_Text;
};

// Captures the exception being handled (or a given one) and writes its description into a CErrorLog.
class CExceptionLog {
public:
    CExceptionLog(); // the current exception (inside a catch block)
    explicit CExceptionLog(std::exception_ptr error);
    const std::string& Text() const { return m_Text; }
    friend CErrorLog& operator>>(const CExceptionLog& log, CErrorLog& out);

private:
    std::string m_Text;
};
CErrorLog& operator>>(const CExceptionLog& log, CErrorLog& out);
} // namespace Exceptions
} // namespace TLX
