// The Lumo_* entry points of the controller emulator.
#include "lumo/Lumo.h"

#include "EmuAnswer.h"
#include "EmuCallLog.h"
#include "EmuFaults.h"
#include "EmuLastError.h"
#include "EmuRequest.h"
#include "EmuSource.h"
#include "EmuState.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

using namespace LumoEmu;

namespace {

// The session of the calling thread; 0 when none was opened. Reset forgets the handle in the shared state,
// which makes a stale value here harmless.
thread_local uint64_t threadSession = 0;

FaultSet currentFaults() {
    return parseFaults(EmuState::instance().faultList());
}

bool connected() {
    return threadSession != 0 && EmuState::instance().isOpen(threadSession);
}

void logRequest(const char* request, uint32_t requestLength, uint32_t answerCapacity, int32_t mode) {
    if (!callLogEnabled()) {
        return;
    }
    logCall("Lumo_PemraRequest " + std::to_string(requestLength) + " " + std::to_string(answerCapacity) + " " +
            std::to_string(mode) + " " + escapedForLog(request, request != nullptr ? requestLength : 0));
}

// The answer text for a checked request, or nothing when its source cannot be read (last error set).
bool buildAnswer(int64_t operationCode, const FaultSet& faults, std::string& answer) {
    if (operationCode != kDeviceTreeOperation) {
        answer = unknownOperationAnswer(operationCode);
    } else {
        AnswerSource source = currentAnswerSource();
        if (!source.found) {
            setLastError(LUMO_E_DEVICE_TREE, source.problem);
            return false;
        }
        answer = toAnswerEnvelope(source.text);
    }
    if (faults.status) {
        answer = withCommandStatus(answer, *faults.status);
    }
    if (faults.garbage) {
        answer = garbageAnswer();
    }
    if (faults.truncateAt && *faults.truncateAt < answer.size()) {
        answer.resize(*faults.truncateAt);
    }
    return true;
}

// Copies at most `capacity` bytes; the terminating zero only when it still fits, so the byte at
// answer[capacity] is never touched (the caller keeps its own zero there).
int32_t deliver(const std::string& text, char* buffer, uint32_t capacity) {
    const size_t written = std::min<size_t>(text.size(), capacity);
    std::memcpy(buffer, text.data(), written);
    if (written < capacity) {
        buffer[written] = '\0';
    }
    if (written < text.size()) {
        setLastError(LUMO_E_TRUNCATED, "Answer of " + std::to_string(text.size()) + " bytes cut to the capacity of " +
                                           std::to_string(capacity) + " bytes");
    } else {
        setSuccess();
    }
    return static_cast<int32_t>(written);
}

} // namespace

extern "C" {

int32_t Lumo_Detect(void) {
    logCall("Lumo_Detect");
    if (currentFaults().noController) {
        setLastError(LUMO_E_NO_CONTROLLER, "No management controller found");
        return 0;
    }
    setSuccess();
    return 1;
}

uint32_t Lumo_Connect(const char* clientTag, LUMO_SESSION* session) {
    if (callLogEnabled()) {
        logCall("Lumo_Connect " + escapedForLog(clientTag));
    }
    const FaultSet faults = currentFaults();
    if (faults.noController) {
        setLastError(LUMO_E_NO_CONTROLLER, "No management controller found");
        return 0;
    }
    if (session == nullptr) {
        setLastError(LUMO_E_ARGUMENT, "No session slot given");
        return 0;
    }
    if (faults.connectFails) {
        setLastError(LUMO_E_CONNECT, "Management controller refused the connection");
        return 0;
    }
    auto& state = EmuState::instance();
    // One session per thread: a second connect replaces the first instead of leaking it.
    if (threadSession != 0) {
        state.closeSession(threadSession);
    }
    threadSession = state.openSession();
    session->handle = threadSession;
    setSuccess();
    return 1;
}

const char* Lumo_GetVersion(int32_t index) {
    logCall("Lumo_GetVersion " + std::to_string(index));
    switch (index) {
    case 0:
        setSuccess();
        return "LumoEmu 1.0";
    case 1:
        setSuccess();
        return "Protocol 1";
    default:
        setLastError(LUMO_E_ARGUMENT, "Unknown version index " + std::to_string(index));
        return "";
    }
}

int32_t Lumo_Disconnect(void) {
    logCall("Lumo_Disconnect");
    const uint64_t handle = threadSession;
    threadSession = 0;
    if (handle == 0 || !EmuState::instance().closeSession(handle)) {
        setLastError(LUMO_E_NOT_CONNECTED, "No open session to close");
        return 0;
    }
    setSuccess();
    return 1;
}

int32_t Lumo_GetLastErrorCode(void) {
    logCall("Lumo_GetLastErrorCode");
    return lastErrorCode();
}

const char* Lumo_GetLastErrorMessage(void) {
    logCall("Lumo_GetLastErrorMessage");
    return lastErrorMessage();
}

int32_t Lumo_PemraRequest(const char* request, uint32_t requestLength, char* answer, uint32_t answerCapacity,
                          int32_t mode) {
    logRequest(request, requestLength, answerCapacity, mode);
    if (answer == nullptr) {
        setLastError(LUMO_E_ARGUMENT, "No answer buffer given");
        return -1;
    }
    if (!connected()) {
        setLastError(LUMO_E_NOT_CONNECTED, "Not connected to the management controller");
        return -1;
    }
    const CheckedRequest checked = checkRequest(request, requestLength);
    if (!checked.valid) {
        setLastError(LUMO_E_REQUEST, checked.problem);
        return -1;
    }
    const FaultSet faults = currentFaults();
    if (faults.delayMs > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(faults.delayMs));
    }
    std::string text;
    if (!buildAnswer(checked.operationCode, faults, text)) {
        return -1;
    }
    if (faults.emptyAnswer) {
        setLastError(LUMO_E_NO_ANSWER, "Management controller sent no answer");
        return 0;
    }
    return deliver(text, answer, answerCapacity);
}

void LumoEmu_SetAnswer(const char* answer) {
    EmuState::instance().setAnswer(answer);
}

void LumoEmu_SetFaults(const char* faults) {
    EmuState::instance().setFaults(faults);
}

void LumoEmu_CallLog(const char* path) {
    EmuState::instance().setCallLog(path);
}

void LumoEmu_Reset(void) {
    EmuState::instance().reset();
    forgetAllLastErrors();
}

} // extern "C"
