#include "EmuState.h"

#include <cstdlib>

namespace LumoEmu {
namespace {

std::optional<std::string> overrideFrom(const char* text) {
    if (text == nullptr || *text == '\0') {
        return std::nullopt;
    }
    return std::string(text);
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

} // namespace

EmuState& EmuState::instance() {
    static EmuState state;
    return state;
}

void EmuState::setAnswer(const char* text) {
    auto value = overrideFrom(text);
    std::lock_guard<std::mutex> lock(mutex_);
    answer_ = std::move(value);
}

void EmuState::setFaults(const char* text) {
    auto value = overrideFrom(text);
    std::lock_guard<std::mutex> lock(mutex_);
    faults_ = std::move(value);
}

void EmuState::setCallLog(const char* path) {
    auto value = overrideFrom(path);
    std::lock_guard<std::mutex> lock(mutex_);
    callLog_ = std::move(value);
}

std::optional<std::string> EmuState::answer() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return answer_;
}

std::string EmuState::faultList() const {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (faults_) {
            return *faults_;
        }
    }
    return environment("LUMO_FAULT");
}

std::string EmuState::callLogPath() const {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (callLog_) {
            return *callLog_;
        }
    }
    return environment("LUMO_CALL_LOG");
}

uint64_t EmuState::openSession() {
    std::lock_guard<std::mutex> lock(mutex_);
    const uint64_t handle = nextHandle_++;
    sessions_.insert(handle);
    return handle;
}

bool EmuState::closeSession(uint64_t handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    return sessions_.erase(handle) > 0;
}

bool EmuState::isOpen(uint64_t handle) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return sessions_.count(handle) > 0;
}

void EmuState::reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    answer_.reset();
    faults_.reset();
    callLog_.reset();
    sessions_.clear();
}

} // namespace LumoEmu
