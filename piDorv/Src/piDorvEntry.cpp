// The two functions the host finds in the library; everything else stays hidden.
#include <new>

#include "pi/IPLUGINAPI.h"
#include "piDorvCodes.h"
#include "piDorvModule.h"
#include "piDorvPlugin.h"

extern "C" __attribute__((visibility("default"))) std::uint32_t createIf(IPLUGINAPI** out) {
    using namespace NAMESPACE_piDorv;
    if (out == nullptr) {
        return Status::INVALID_PARAMETER;
    }
    // The host owns the object through the interface pointer until releaseIf.
    IPLUGINAPI_IMPL* plugin = new (std::nothrow) IPLUGINAPI_IMPL();
    if (plugin == nullptr) {
        *out = nullptr;
        return Status::MEMORY_ERROR;
    }
    *out = plugin;
    plugin->m_ModuleNumber = TLX_MODULE_INFO_piDorv.ModuleNumber();
    g_p_IPLUGINAPI_IMPL = plugin;
    return Status::SUCCESS;
}

extern "C" __attribute__((visibility("default"))) void releaseIf(IPLUGINAPI** holder) {
    if (holder == nullptr) {
        return;
    }
    if (*holder != nullptr) {
        delete *holder;
    }
    *holder = nullptr;
    NAMESPACE_piDorv::g_p_IPLUGINAPI_IMPL = nullptr;
}
