#include "HostCodes.h"
#include "JsonOut.h"
#include "Monitoring.h"

namespace pihost {

int VersionCommand(PluginSession& session, const Request& r, std::ostream& out) {
    std::vector<PI::CObject> topology;
    const std::uint32_t status = session.Topology(topology);
    std::string plugin;
    for (const auto& object : topology)
        if (const PI::CProperty* p = FindProperty(object, Codes::PROPERTY_VERSION);
            p && p->String() && KindOf(object) == ObjectKind::Plugin)
            plugin = p->String()->text;
    if (r.options.json)
        out << JsonDocument(r.commandName).Status(status).Version(PIHOST_VERSION, plugin).Finish() << "\n";
    else
        out << "pihost " << PIHOST_VERSION << "\nplugin " << (plugin.empty() ? "(no VERSION)" : plugin) << "\n";
    out.flush();
    return status == 0 ? 0 : 1;
}

} // namespace pihost
