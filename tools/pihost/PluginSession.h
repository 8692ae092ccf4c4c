// One Initialize ... DeInitialize of the plugin object, and the typed commands in between.
#pragma once
#include <cstdint>
#include <vector>

#include "PluginLoader.h"
#include "pi/CAdapterID.h"
#include "pi/CObject.h"

namespace pihost {

// While alive, whatever is written to standard output (fd 1) goes to standard error instead, so that a JSON
// document on standard output stays valid although the plugin prints to it.
class StdoutToStderr {
public:
    explicit StdoutToStderr(bool active);
    ~StdoutToStderr();
    StdoutToStderr(const StdoutToStderr&) = delete;
    StdoutToStderr& operator=(const StdoutToStderr&) = delete;

private:
    int saved_ = -1;
};

class PluginSession {
public:
    // quietStdout: keep the plugin's own output off standard output (JSON mode).
    PluginSession(PluginInstance& plugin, bool quietStdout) : plugin_(plugin), quiet_(quietStdout) {}
    // Ends the session (DeInitialize) when it was begun and not ended yet.
    ~PluginSession();
    PluginSession(const PluginSession&) = delete;
    PluginSession& operator=(const PluginSession&) = delete;

    std::uint32_t Initialize();  // command 1; the session counts as begun even when it fails
    std::uint32_t StartWorker(); // command 2 with the identifiers Initialize returned
    std::uint32_t End();         // command 3, at most once
    bool Active() const { return begun_ && !ended_; }

    std::uint32_t Topology(std::vector<PI::CObject>& objects);                           // 4
    std::uint32_t Properties(std::uint64_t id, std::vector<PI::CProperty>& properties);  // 5
    std::uint32_t Property(std::uint64_t id, PI::CProperty& property);                   // 6
    std::uint32_t SetProperty(std::uint64_t id, PI::CProperty& property);                // 7
    std::uint32_t Operations(std::uint64_t id, std::vector<PI::COperation>& operations); // 8
    std::uint32_t Run(std::uint64_t id, PI::COperation& operation);                      // 10

private:
    std::uint32_t Execute(PI::_COMMAND command, std::uint64_t id, void* data);

    PluginInstance& plugin_;
    bool quiet_;
    bool begun_ = false;
    bool ended_ = false;
    std::vector<PI::CAdapterID> adapterIds_;
};

} // namespace pihost
