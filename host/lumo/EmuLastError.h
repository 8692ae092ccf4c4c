// The last error of the calling thread, so that concurrent callers never read each other's errors.
#pragma once
#include <cstdint>
#include <string>

namespace LumoEmu {

void setLastError(int32_t code, std::string text);
void setSuccess(); // code 0, text "OK"

int32_t lastErrorCode();
// Valid until the calling thread's next setLastError or setSuccess.
const char* lastErrorMessage();

// Makes every thread's last error read as success again (LumoEmu_Reset).
void forgetAllLastErrors();

} // namespace LumoEmu
