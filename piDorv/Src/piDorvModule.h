// The plugin's process-wide identity: message catalogue, error list, module object (which holds
// the trace mask) and the one plugin object pointer. Every trace record names the module object.
#pragma once
#include "tlx/ModuleInfo.h"
#include "tlx/Trace.h"

namespace NAMESPACE_piDorv {
class IPLUGINAPI_IMPL;

namespace NLS {
extern TLX::Language_Support::CLanguageSupport::CLngFile m_LngFile;
}
extern TLX::Language_Support::CLanguageSupport::ERROR_MSG_LIST ErrorMsgList;
extern TLX::Misc::CModuleInfo TLX_MODULE_INFO_piDorv;
extern IPLUGINAPI_IMPL* g_p_IPLUGINAPI_IMPL;

const unsigned MODULE_NUMBER = 310; // Cendra_MODULE_IDs value of this plugin
} // namespace NAMESPACE_piDorv

// Source file names as the trace shows them.
#define PIDORV_SRC_PLUGIN "piDorv/Src/piDorvPlugin"
#define PIDORV_SRC_ADAPTER "piDorv/Src/piDorvAdapter"
#define PIDORV_SRC_PHYSICALDRIVE "piDorv/Src/piDorvPhysicalDrive"
#define PIDORV_SRC_LOGICALDRIVE "piDorv/Src/piDorvLogicalDrive"

// One trace record of this module: PIDORV_TRACE(16, PIDORV_SRC_ADAPTER, "fn", "%s x=%d") << "fn" << FormatInt(x);
#define PIDORV_TRACE(level, sourceFile, function, format)                                                              \
    TLX_TRACE(NAMESPACE_piDorv::TLX_MODULE_INFO_piDorv, (level), (sourceFile), (function), (format))
