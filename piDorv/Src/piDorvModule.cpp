#include "piDorvModule.h"

#include <boost/format.hpp>

namespace NAMESPACE_piDorv {
namespace {
const char* const FALLBACK_TEXTS[2] = {"General error in piDorv plugin", "No information available for this error"};
// Product and firmware version alike are the plugin's version.
const std::string MODULE_VERSION = std::string("P:") + PLUGIN_VERSION + " F:" + PLUGIN_VERSION;
} // namespace

const std::string& PluginUniqueId() {
    // The same text every time, so it is formatted once.
    static const std::string text = (boost::format("Plugin:ID=%d") % MODULE_NUMBER).str();
    return text;
}

// Built in this order when the library loads, destroyed in reverse order at unload.
namespace NLS {
TLX::Language_Support::CLanguageSupport::CLngFile m_LngFile("piDorv.nls", ('e' << 8) | 'n', "utf-8", 1, FALLBACK_TEXTS,
                                                            2);
}
TLX::Language_Support::CLanguageSupport::ERROR_MSG_LIST ErrorMsgList = {{{0x21360001u, 0u}, {0u, 0u}}};
TLX::Misc::CModuleInfo TLX_MODULE_INFO_piDorv(MODULE_NUMBER, "piDorv", MODULE_VERSION.c_str(), &NLS::m_LngFile,
                                              &ErrorMsgList);
IPLUGINAPI_IMPL* g_p_IPLUGINAPI_IMPL = nullptr;
} // namespace NAMESPACE_piDorv
