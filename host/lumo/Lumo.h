/* The controller-link library: a session with the server's management controller.
 *
 * This build is an emulator of that controller. Each calling thread holds at most one session: Lumo_Connect
 * opens it, Lumo_Disconnect closes it, Lumo_PemraRequest needs it.
 *
 * Answers to operation code 8624 (storage device tree) come from, in this order of precedence:
 *   1. the text given to LumoEmu_SetAnswer;
 *   2. the file named by the environment variable LUMO_DEVICE_TREE, read anew at every request;
 *   3. the built-in sample (one Dorv100 adapter, two SD cards, one RAID-1 logical drive).
 * A text holding a "SIP" object is sent as it is; a bare tree ("TavrinStorageDeviceTree") is wrapped into
 * {"SIP":{"V":1,"CMD":[{"OC":8624,"ST":0,"DA":"<tree>","MI":196613}]}}; any other text, JSON or not, is sent
 * unchanged. Any other operation code is answered with "ST" 1 and no "DA".
 *
 * Faults come from LumoEmu_SetFaults, else from the environment variable LUMO_FAULT (read at every call):
 * a comma list of no-controller, connect-fails, empty-answer, garbage, truncate:N, status:N, delay:MS, or
 * none (to override LUMO_FAULT with no faults).
 *
 * Call log: LumoEmu_CallLog, else the environment variable LUMO_CALL_LOG, names a file that gets one line per
 * Lumo_* call, appended when the call starts. A line is the function name followed, each after one space, by
 * its arguments:
 *   Lumo_Detect
 *   Lumo_Connect <client tag>
 *   Lumo_GetVersion <index>
 *   Lumo_Disconnect
 *   Lumo_GetLastErrorCode
 *   Lumo_GetLastErrorMessage
 *   Lumo_PemraRequest <request length> <answer capacity> <mode> <request text>
 * Numbers are decimal. Texts are written byte by byte except that backslash, tab, CR and LF become \\, \t,
 * \r, \n and other bytes below 0x20 become \xHH, so a line never breaks; a null text is written as (null).
 * Only the first <request length> bytes of the request are written.
 *
 * Last error: every Lumo_* call except the two readers below sets the calling thread's last error code and
 * text (LUMO_OK and "OK" on success); the readers leave it as it is so that code and text can be read one after
 * the other. Returned texts stay valid until the calling thread's next Lumo_* call.
 */
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

/* Last error codes. */
#define LUMO_OK 0
#define LUMO_E_NO_CONTROLLER 1 /* no management controller present */
#define LUMO_E_CONNECT 2       /* the controller refused the session */
#define LUMO_E_NOT_CONNECTED 3 /* a request or disconnect without an open session */
#define LUMO_E_ARGUMENT 4      /* null pointer or unknown index */
#define LUMO_E_REQUEST 5       /* the request is not a command envelope */
#define LUMO_E_DEVICE_TREE 6   /* the device-tree file cannot be read */
#define LUMO_E_NO_ANSWER 7     /* the controller sent nothing */
#define LUMO_E_TRUNCATED 8     /* the answer was longer than the capacity and was cut */

int32_t Lumo_Detect(void);                                           /* > 0: a controller is there */
uint32_t Lumo_Connect(const char* clientTag, LUMO_SESSION* session); /* low 8 bits non-zero: connected */
const char* Lumo_GetVersion(int32_t index);                          /* 0 or 1 */
int32_t Lumo_Disconnect(void);                                       /* 1: a session was closed, 0: none open */
int32_t Lumo_GetLastErrorCode(void);
const char* Lumo_GetLastErrorMessage(void);
/* Sends one request; writes at most answerCapacity bytes of the answer, followed by a zero byte only when that
 * still fits. Returns the number of answer bytes written, or -1 when nothing was sent or received. */
int32_t Lumo_PemraRequest(const char* request, uint32_t requestLength, char* answer, uint32_t answerCapacity,
                          int32_t mode);

/* Emulator control for in-process tests. A null or empty text restores the default. */
void LumoEmu_SetAnswer(const char* answer); /* answer envelope or bare device tree */
void LumoEmu_SetFaults(const char* faults); /* as LUMO_FAULT: comma list */
void LumoEmu_CallLog(const char* path);     /* as LUMO_CALL_LOG */
void LumoEmu_Reset(void);                   /* forget all of the above and the last error */

#ifdef __cplusplus
}
#endif
