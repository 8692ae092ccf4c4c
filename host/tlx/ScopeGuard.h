// Runs a stored action when it leaves scope, also while an exception passes.
#pragma once
#include <functional>
#include <utility>

namespace TLX {
namespace Misc {
class CScopeGuard {
public:
    explicit CScopeGuard(std::function<void()> action) : m_Action(std::move(action)) {}
    ~CScopeGuard() {
        if (m_Action) {
            try {
                m_Action();
            } catch (...) {
                // an action that throws while another exception passes would end the process
            }
        }
    }
    void Dismiss() { m_Action = nullptr; }
    CScopeGuard(const CScopeGuard&) = delete;
    CScopeGuard& operator=(const CScopeGuard&) = delete;

private:
    std::function<void()> m_Action;
};
} // namespace Misc
} // namespace TLX
