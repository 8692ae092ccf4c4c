#include "PluginSession.h"

#include <cstdio>
#include <iostream>

#include <unistd.h>

namespace pihost {
namespace {
void FlushStdout() {
    std::cout.flush();
    std::fflush(stdout);
}
} // namespace

StdoutToStderr::StdoutToStderr(bool active) {
    if (!active) {
        return;
    }
    FlushStdout();
    saved_ = ::dup(STDOUT_FILENO);
    if (saved_ >= 0 && ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        ::close(saved_);
        saved_ = -1;
    }
}

StdoutToStderr::~StdoutToStderr() {
    if (saved_ < 0) {
        return;
    }
    // What the plugin left in the stdio buffers belongs to standard error too.
    FlushStdout();
    ::dup2(saved_, STDOUT_FILENO);
    ::close(saved_);
}

PluginSession::~PluginSession() {
    try {
        End();
    } catch (...) {
        // Nothing more can be done for a plugin that throws while it stops.
    }
}

std::uint32_t PluginSession::Execute(PI::_COMMAND command, std::uint64_t id, void* data) {
    StdoutToStderr guard(quiet_);
    return plugin_.Execute(command, static_cast<unsigned long>(id), data);
}

std::uint32_t PluginSession::Initialize() {
    begun_ = true;
    adapterIds_.clear();
    return Execute(PI::INITIALIZE, 0, &adapterIds_);
}

std::uint32_t PluginSession::StartWorker() {
    // The plugin reads the list as const; it stays ours.
    return Execute(PI::SET_ADAPTER_IDS, 0, &adapterIds_);
}

std::uint32_t PluginSession::End() {
    if (!begun_ || ended_) {
        return 0;
    }
    ended_ = true;
    return Execute(PI::DEINITIALIZE, 0, nullptr);
}

std::uint32_t PluginSession::Topology(std::vector<PI::CObject>& objects) {
    return Execute(PI::GET_TOPOLOGY, 0, &objects);
}

std::uint32_t PluginSession::Properties(std::uint64_t id, std::vector<PI::CProperty>& properties) {
    return Execute(PI::GET_PROPERTIES, id, &properties);
}

std::uint32_t PluginSession::Property(std::uint64_t id, PI::CProperty& property) {
    return Execute(PI::GET_PROPERTY, id, &property);
}

std::uint32_t PluginSession::SetProperty(std::uint64_t id, PI::CProperty& property) {
    return Execute(PI::SET_PROPERTY, id, &property);
}

std::uint32_t PluginSession::Operations(std::uint64_t id, std::vector<PI::COperation>& operations) {
    return Execute(PI::GET_OPERATIONS, id, &operations);
}

std::uint32_t PluginSession::Run(std::uint64_t id, PI::COperation& operation) {
    return Execute(PI::EXECUTE_OPERATION, id, &operation);
}

} // namespace pihost
