/* The controller-link library: a session with the server's management controller. */
#pragma once
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Output slot of Lumo_Connect: the caller owns it, the library fills it. */
typedef struct LUMO_SESSION {
    uint64_t handle;
} LUMO_SESSION;

int32_t Lumo_Detect(void);                                          /* > 0: a controller is there */
uint32_t Lumo_Connect(const char* clientTag, LUMO_SESSION* session); /* low 8 bits non-zero: connected */
const char* Lumo_GetVersion(int32_t index);                         /* 0 or 1 */
int32_t Lumo_Disconnect(void);
int32_t Lumo_GetLastErrorCode(void);
const char* Lumo_GetLastErrorMessage(void);
/* Sends one request; writes at most answerCapacity bytes of the answer. */
int32_t Lumo_PemraRequest(const char* request, uint32_t requestLength, char* answer, uint32_t answerCapacity,
                          int32_t mode);

/* Emulator control for in-process tests. A null or empty text restores the default. */
void LumoEmu_SetAnswer(const char* answer);   /* answer envelope or bare device tree */
void LumoEmu_SetFaults(const char* faults);   /* as LUMO_FAULT: comma list */
void LumoEmu_CallLog(const char* path);       /* as LUMO_CALL_LOG */
void LumoEmu_Reset(void);                     /* forget all of the above and the last error */

#ifdef __cplusplus
}
#endif
