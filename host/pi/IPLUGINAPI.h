// The interface through which the host drives a plugin.
#pragma once
#include <cstdint>

#include "pi/PITypes.h"

class IPLUGINAPI;

// Any host object that wants the plugin's call-back derives from this.
class IPLUGINHOST {
public:
    virtual ~IPLUGINHOST() = default;
};
typedef void (IPLUGINHOST::*HOSTCALLBACKFN)(IPLUGINAPI*);

class IPLUGINAPI {
public:
    IPLUGINAPI() = default;
    virtual std::uint32_t Execute(PI::_COMMAND command, unsigned long objectId, void* data) = 0;
    virtual ~IPLUGINAPI() = default;

    std::uint32_t m_Header = 2;       // read only by the host
    std::uint32_t m_ModuleNumber = 0; // set by createIf
    struct {
        IPLUGINHOST* host = nullptr;
        HOSTCALLBACKFN function = nullptr;
    } hostCallback;
};

extern "C" {
typedef std::uint32_t (*CREATEIF_FN)(IPLUGINAPI** out);
typedef void (*RELEASEIF_FN)(IPLUGINAPI** holder);
}
