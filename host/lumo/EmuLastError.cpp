#include "EmuLastError.h"

#include "lumo/Lumo.h"

#include <atomic>

namespace LumoEmu {
namespace {

// A thread's record counts only while its epoch matches: forgetting all errors is one increment, without
// reaching into other threads' storage.
std::atomic<uint64_t> currentEpoch{0};

struct LastError {
    uint64_t epoch = 0;
    int32_t code = LUMO_OK;
    std::string text = "OK";
};

LastError& threadRecord() {
    thread_local LastError record;
    const uint64_t epoch = currentEpoch.load();
    if (record.epoch != epoch) {
        record.epoch = epoch;
        record.code = LUMO_OK;
        record.text = "OK";
    }
    return record;
}

} // namespace

void setLastError(int32_t code, std::string text) {
    LastError& record = threadRecord();
    record.code = code;
    record.text = std::move(text);
}

void setSuccess() {
    setLastError(LUMO_OK, "OK");
}

int32_t lastErrorCode() {
    return threadRecord().code;
}

const char* lastErrorMessage() {
    return threadRecord().text.c_str();
}

void forgetAllLastErrors() {
    ++currentEpoch;
}

} // namespace LumoEmu
