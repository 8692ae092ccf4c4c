// Loading the plugin library and holding the one plugin object it creates.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "pi/IPLUGINAPI.h"

namespace pihost {

// Where libpiDorv.so is looked for, in order: beside the pihost binary, the installed library folder relative
// to the binary, the build tree's plugin folder.
std::vector<std::string> PluginCandidates(const std::string& binaryDir);
// The folder of the running binary (empty when it cannot be told).
std::string BinaryDir();
// The first candidate that exists; false with the places searched when none does.
bool FindPlugin(const std::vector<std::string>& candidates, std::string& path, std::string& error);

// The opened library (dlopen ... dlclose) with its two entry points.
class PluginLibrary {
public:
    PluginLibrary() = default;
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    bool Open(const std::string& path, std::string& error);
    CREATEIF_FN CreateIf() const { return createIf_; }
    RELEASEIF_FN ReleaseIf() const { return releaseIf_; }

private:
    void* handle_ = nullptr;
    CREATEIF_FN createIf_ = nullptr;
    RELEASEIF_FN releaseIf_ = nullptr;
};

// The plugin object: createIf ... releaseIf.
class PluginInstance {
public:
    explicit PluginInstance(const PluginLibrary& library) : library_(library) {}
    ~PluginInstance();
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    // createIf's status; 0 leaves a plugin object to Execute on.
    std::uint32_t Create();
    bool Created() const { return api_ != nullptr; }
    std::uint32_t Execute(PI::_COMMAND command, unsigned long objectId, void* data);

private:
    const PluginLibrary& library_;
    IPLUGINAPI* api_ = nullptr;
};

} // namespace pihost
