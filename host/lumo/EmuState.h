// What the emulator shares between calling threads: in-process overrides and the open sessions.
#pragma once
#include <cstdint>
#include <mutex>
#include <optional>
#include <set>
#include <string>

namespace LumoEmu {

class EmuState {
public:
    static EmuState& instance();

    // Overrides set by the LumoEmu_* control functions; a null or empty text removes the override.
    void setAnswer(const char* text);
    void setFaults(const char* text);
    void setCallLog(const char* path);

    std::optional<std::string> answer() const;
    // The override when set, else the environment variable (read now, so a change shows at the next call).
    std::string faultList() const;
    std::string callLogPath() const;

    // Sessions: handles are never reused, so a handle forgotten by reset() never turns valid again.
    uint64_t openSession();
    bool closeSession(uint64_t handle);
    bool isOpen(uint64_t handle) const;

    // Drops the overrides and every open session.
    void reset();

private:
    EmuState() = default;

    mutable std::mutex mutex_;
    std::optional<std::string> answer_;
    std::optional<std::string> faults_;
    std::optional<std::string> callLog_;
    std::set<uint64_t> sessions_;
    uint64_t nextHandle_ = 1;
};

} // namespace LumoEmu
