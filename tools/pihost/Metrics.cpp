#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Format.h"
#include "HostCodes.h"
#include "JsonOut.h"
#include "Monitoring.h"
#include "SafeText.h"

namespace pihost {
namespace {

std::string Text(const PI::CObject& object, std::int32_t code) {
    const PI::CProperty* p = FindProperty(object, code);
    return p && p->String() ? p->String()->text : std::string();
}

// Label values are UTF-8 (a byte that is not becomes U+FFFD) with \, " and line ends escaped.
std::string LabelValue(const std::string& text) {
    std::string out;
    for (char c : ValidUtf8(text)) {
        if (c == '\\' || c == '"') {
            out += std::string("\\") + c;
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

class Exposition {
public:
    void Family(const char* name, const char* help) {
        out_ << "# HELP " << name << " " << help << "\n# TYPE " << name << " gauge\n";
    }
    // labels: name and value pairs.
    void Sample(const char* name, const std::vector<std::pair<const char*, std::string>>& labels, long long value) {
        out_ << name;
        for (std::size_t i = 0; i < labels.size(); ++i) {
            out_ << (i == 0 ? "{" : ",") << labels[i].first << "=\"" << LabelValue(labels[i].second) << "\"";
        }
        out_ << (labels.empty() ? "" : "}") << " " << value << "\n";
    }
    std::string Text() const { return out_.str(); }

private:
    std::ostringstream out_;
};
} // namespace

std::string FormatMetrics(const std::vector<PI::CObject>& topology, std::time_t scanTime) {
    std::vector<const PI::CObject*> adapters;
    std::vector<const PI::CObject*> drives;
    const PI::CObject* plugin = nullptr;
    int counts[4] = {0, 0, 0, 0};
    for (const auto& object : topology) {
        const ObjectKind kind = KindOf(object);
        if (kind == ObjectKind::Plugin) {
            plugin = &object;
        } else if (kind == ObjectKind::Adapter) {
            adapters.push_back(&object);
        } else if (kind != ObjectKind::Other) {
            drives.push_back(&object);
        }
        if (kind != ObjectKind::Other) {
            ++counts[static_cast<int>(kind)];
        }
    }

    Exposition e;
    const char* const STATUS_HELP = "The object's STATUS value code; the status label holds its name.";
    const char* const HEALTH_HELP = "The object's status as pihost check rates it: 0 OK, 1 WARNING, 2 CRITICAL.";
    for (const auto& family : {std::make_pair("pidorv_adapter", &adapters), std::make_pair("pidorv_drive", &drives)}) {
        const std::string status = std::string(family.first) + "_status";
        const std::string health = std::string(family.first) + "_health";
        e.Family(status.c_str(), STATUS_HELP);
        for (const PI::CObject* o : *family.second) {
            if (const PI::CProperty* p = FindProperty(*o, Codes::PROPERTY_STATUS); p && p->Choice()) {
                e.Sample(status.c_str(),
                         {{"id", FormatId(o->m_ID)},
                          {"kind", JsonKindName(KindOf(*o))},
                          {"name", DisplayName(*o)},
                          {"status", CodeLabel(CodeNames::Table::Value, p->Choice()->value)}},
                         p->Choice()->value);
            }
        }
        e.Family(health.c_str(), HEALTH_HELP);
        for (const PI::CObject* o : *family.second) {
            if (const PI::CProperty* p = FindProperty(*o, Codes::PROPERTY_STATUS); p && p->Choice()) {
                e.Sample(health.c_str(), {{"id", FormatId(o->m_ID)}, {"kind", JsonKindName(KindOf(*o))}},
                         static_cast<int>(RateStatus(p->Choice()->value)));
            }
        }
    }
    e.Family("pidorv_adapter_info", "The adapter's identity; the value is always 1.");
    for (const PI::CObject* o : adapters) {
        e.Sample("pidorv_adapter_info",
                 {{"id", FormatId(o->m_ID)},
                  {"name", DisplayName(*o)},
                  {"product", Text(*o, Codes::PROPERTY_PRODUCT)},
                  {"firmware", Text(*o, Codes::PROPERTY_FIRMWARE_VERSION)},
                  {"serial", Text(*o, Codes::PROPERTY_SERIAL_NUMBER)}},
                 1);
    }
    if (plugin) {
        e.Family("pidorv_plugin_info", "The plugin that answered; the value is always 1.");
        e.Sample("pidorv_plugin_info", {{"version", Text(*plugin, Codes::PROPERTY_VERSION)}}, 1);
        const PI::CProperty* poll = FindProperty(*plugin, Codes::PROPERTY_POLL_INTERVAL);
        if (poll && poll->Number()) {
            e.Family("pidorv_poll_interval_seconds", "How often the plugin re-reads the device tree.");
            e.Sample("pidorv_poll_interval_seconds", {}, static_cast<long long>(poll->Number()->value));
        }
    }
    e.Family("pidorv_objects", "The objects the plugin shows, by kind.");
    const ObjectKind kinds[] = {ObjectKind::Plugin, ObjectKind::Adapter, ObjectKind::PhysicalDrive,
                                ObjectKind::LogicalDrive};
    for (ObjectKind kind : kinds) {
        e.Sample("pidorv_objects", {{"kind", JsonKindName(kind)}}, counts[static_cast<int>(kind)]);
    }
    e.Family("pidorv_scan_timestamp_seconds", "When pihost read these objects from the plugin, in Unix time.");
    e.Sample("pidorv_scan_timestamp_seconds", {}, static_cast<long long>(scanTime));
    return e.Text();
}

bool WriteFileAtomically(const std::string& path, const std::string& text, std::string& error) {
    // The temporary name does not end in .prom, so a textfile collector never reads it.
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        error = "cannot create a file beside '" + path + "': " + std::strerror(errno);
        return false;
    }
    // mkstemp makes the file private; the collector usually runs as another user.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    bool written = ::fchmod(fd, 0666 & ~mask) == 0;
    for (std::size_t done = 0; written && done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        written = n > 0;
        done += written ? static_cast<std::size_t>(n) : 0;
    }
    written = written && ::fsync(fd) == 0;
    written = ::close(fd) == 0 && written;
    if (!written || std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot write '" + path + "': " + std::strerror(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace pihost
