#include "PluginLoader.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include "codes/HostCodes.h"

namespace pihost {
namespace {
const char* const PLUGIN_FILE = "libpiDorv.so";
// Status the host reports when there is no plugin object to call.
const std::uint32_t GENERAL = HostCodes::Status::GENERAL;

bool IsFile(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}
} // namespace

std::vector<std::string> PluginCandidates(const std::string& binaryDir) {
    std::vector<std::string> out;
    if (!binaryDir.empty()) {
        out.push_back(binaryDir + "/" + PLUGIN_FILE);
        out.push_back(binaryDir + "/" PIHOST_INSTALL_PLUGIN_DIR "/" + PLUGIN_FILE);
    }
    out.push_back(std::string(PIHOST_BUILD_PLUGIN_DIR) + "/" + PLUGIN_FILE);
    return out;
}

std::string BinaryDir() {
    std::vector<char> buffer(4096);
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0) {
        return std::string();
    }
    const std::string path(buffer.data(), static_cast<std::size_t>(n));
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool FindPlugin(const std::vector<std::string>& candidates, std::string& path, std::string& error) {
    for (const auto& candidate : candidates) {
        if (IsFile(candidate)) {
            path = candidate;
            return true;
        }
    }
    error = "plugin " + std::string(PLUGIN_FILE) + " not found; looked in:";
    for (const auto& candidate : candidates) {
        error += "\n  " + candidate;
    }
    error += "\n(give its path with --plugin)";
    return false;
}

PluginLibrary::~PluginLibrary() {
    if (handle_) {
        ::dlclose(handle_);
    }
}

bool PluginLibrary::Open(const std::string& path, std::string& error) {
    ::dlerror();
    handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* why = ::dlerror();
        error = "cannot load plugin '" + path + "': " + (why ? why : "unknown error");
        return false;
    }
    createIf_ = reinterpret_cast<CREATEIF_FN>(::dlsym(handle_, "createIf"));
    releaseIf_ = reinterpret_cast<RELEASEIF_FN>(::dlsym(handle_, "releaseIf"));
    if (!createIf_ || !releaseIf_) {
        error = "'" + path + "' is not a plugin: createIf or releaseIf is missing";
        return false;
    }
    return true;
}

PluginInstance::~PluginInstance() {
    if (api_ && library_.ReleaseIf()) {
        library_.ReleaseIf()(&api_);
    }
}

std::uint32_t PluginInstance::Create() {
    if (!library_.CreateIf()) {
        return GENERAL;
    }
    IPLUGINAPI* api = nullptr;
    const std::uint32_t status = library_.CreateIf()(&api);
    api_ = api;
    // A failing createIf that still handed out an object gets it released by the destructor.
    return status;
}

std::uint32_t PluginInstance::Execute(PI::_COMMAND command, unsigned long objectId, void* data) {
    if (!api_) {
        return GENERAL;
    }
    return api_->Execute(command, objectId, data);
}

} // namespace pihost
