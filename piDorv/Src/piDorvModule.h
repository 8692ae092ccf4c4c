// The plugin's process-wide identity: message catalogue, error list, module object (which holds
// the trace mask) and the one plugin object pointer. Every trace record names the module object.
#pragma once
#include <cstddef>
#include <string>

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

// What the plugin calls itself, in its own shown object and its database row.
const char* const PLUGIN_NAME = "Dorv-Plugin";
const char* const PLUGIN_VERSION = "7.12.1";
const char* const PLUGIN_VENDOR = "Linux";
// "Plugin:ID=%d" with the module number.
const std::string& PluginUniqueId();

// The host every database row of the plugin names: the plugin looks after the host it runs on only.
const char* const HOST_NAME = "localhost";

namespace {
// The name a trace record gives its source file: the file's path from the project's top folder,
// without the extension ("piDorv/Src/piDorvWorker"). The top folder is where this header's own path
// ends in "piDorv/Src/piDorvModule.h"; a path outside it is kept whole. Worked out while compiling;
// each translation unit has its own copy, as that path may be spelt differently in each.
template <std::size_t N> struct CTraceSourceName {
    char text[N]{};

    constexpr explicit CTraceSourceName(const char (&path)[N]) {
        const char header[] = __FILE__;
        const char own[] = "piDorv/Src/piDorvModule.h";
        const std::size_t top = sizeof(header) >= sizeof(own) ? sizeof(header) - sizeof(own) : 0;
        bool inside = sizeof(header) >= sizeof(own) && top < N;
        for (std::size_t i = 0; inside && i < sizeof(own); ++i) {
            inside = header[top + i] == own[i];
        }
        for (std::size_t i = 0; inside && i < top; ++i) {
            inside = path[i] == header[i];
        }
        const std::size_t from = inside ? top : 0;
        std::size_t end = N - 1;
        for (std::size_t i = N - 1; i > from && path[i - 1] != '/'; --i) {
            if (path[i - 1] == '.') {
                end = i - 1;
                break;
            }
        }
        for (std::size_t i = from; i < end; ++i) {
            text[i - from] = path[i];
        }
    }
};
} // namespace
} // namespace NAMESPACE_piDorv

// The source file of the statement it is written in, as a trace record names it.
#define PIDORV_SRC_FILE                                                                                                \
    ([]() -> const char* {                                                                                             \
        static constexpr NAMESPACE_piDorv::CTraceSourceName<sizeof(__FILE__)> name(__FILE__);                          \
        return name.text;                                                                                              \
    }())

// One trace record of this module: PIDORV_TRACE(16, "fn", "%s x=%d") << "fn" << FormatInt(x);
// The record names the file its statement is in, so that file and line locate it.
#define PIDORV_TRACE(level, function, format)                                                                          \
    TLX_TRACE(NAMESPACE_piDorv::TLX_MODULE_INFO_piDorv, (level), PIDORV_SRC_FILE, (function), (format))
