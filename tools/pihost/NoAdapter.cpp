#include "NoAdapter.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include <rapidjson/document.h>
#include <rapidjson/error/en.h>
#include <sys/stat.h>

namespace pihost {
namespace {

// The faults that can keep adapters away (a delay only slows the answer).
std::string BlockingFaults(const std::string& faults) {
    std::string out;
    std::istringstream items(faults);
    for (std::string item; std::getline(items, item, ',');) {
        item.erase(0, item.find_first_not_of(" \t"));
        item.erase(item.find_last_not_of(" \t") + 1);
        if (item.empty() || item == "none" || item.compare(0, 6, "delay:") == 0) {
            continue;
        }
        out += (out.empty() ? "" : ",") + item;
    }
    return out;
}

std::string TreeProblem(const std::string& path) {
    const std::string file = "the device-tree file '" + path + "' ";
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) {
        return file + (errno == ENOENT ? std::string("does not exist")
                                       : "cannot be read: " + std::string(std::strerror(errno)));
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    if (in) {
        content << in.rdbuf();
    }
    if (!in || in.bad() || S_ISDIR(info.st_mode)) {
        return file + "cannot be read" + (S_ISDIR(info.st_mode) ? ": it is a folder" : "");
    }
    const std::string text = content.str();
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) {
        return file + "is empty";
    }
    if (static_cast<long long>(text.size()) > PLUGIN_ANSWER_BYTES) {
        return file + "has " + std::to_string(text.size()) + " bytes, over the 64,000 bytes the plugin accepts";
    }
    rapidjson::Document d;
    d.Parse(text.c_str(), text.size());
    if (d.HasParseError()) {
        return file + "is not JSON (at byte " + std::to_string(d.GetErrorOffset()) + ": " +
               rapidjson::GetParseError_En(d.GetParseError()) + ")";
    }
    return file + "describes no adapter the plugin accepts";
}
} // namespace

std::string NoAdapterWarning(const std::string& faults, const std::string& deviceTree) {
    const std::string blocking = BlockingFaults(faults);
    std::string cause;
    if (!blocking.empty()) {
        cause = "the controller emulator was asked for the fault " + blocking;
    } else if (!deviceTree.empty()) {
        cause = TreeProblem(deviceTree);
    } else {
        cause = "the controller reported none";
    }
    return "no adapter seen: " + cause;
}

} // namespace pihost
