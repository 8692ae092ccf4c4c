#include "tlx/ErrorLog.h"

namespace TLX {
namespace Exceptions {
namespace {
std::string Describe(const std::exception_ptr& error) {
    if (!error) {
        return "no exception";
    }
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown exception";
    }
}
} // namespace

CExceptionLog::CExceptionLog() : m_Text(Describe(std::current_exception())) {}

CExceptionLog::CExceptionLog(std::exception_ptr error) : m_Text(Describe(error)) {}

CErrorLog& operator>>(const CExceptionLog& log, CErrorLog& out) {
    out.SetText(log.m_Text);
    return out;
}
} // namespace Exceptions
} // namespace TLX
