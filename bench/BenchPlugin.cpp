#include "BenchPlugin.h"

#include <malloc.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <utility>

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "db/Schema.h"
#include "lumo/Lumo.h"
#include "orm/DatabaseDAO.h"
#include "piDorv/Src/piDorvModule.h"

namespace bench {
namespace {
// Passes every text on to the real access object and keeps a copy.
class RecordingDAO : public DatabaseWrapper::DatabaseDAO {
public:
    explicit RecordingDAO(std::shared_ptr<DatabaseWrapper::DatabaseDAO> inner) : m_Inner(std::move(inner)) {}
    std::vector<std::vector<std::string>> query(std::string sql) override {
        m_Texts.push_back(sql);
        return m_Inner->query(std::move(sql));
    }
    std::vector<std::string> Take() { return std::exchange(m_Texts, {}); }

private:
    std::shared_ptr<DatabaseWrapper::DatabaseDAO> m_Inner;
    std::vector<std::string> m_Texts;
};

// Initialize writes one line to standard output; keep it out of the benchmark report.
class QuietStdout {
public:
    QuietStdout() {
        std::fflush(stdout);
        m_Saved = dup(STDOUT_FILENO);
        std::FILE* null = std::fopen("/dev/null", "w");
        if (null != nullptr) {
            dup2(fileno(null), STDOUT_FILENO);
            std::fclose(null);
        }
    }
    ~QuietStdout() {
        std::fflush(stdout);
        if (m_Saved >= 0) {
            dup2(m_Saved, STDOUT_FILENO);
            close(m_Saved);
        }
    }
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;

private:
    int m_Saved = -1;
};

int IgnoreRow(void* cells, int columns, char**, char**) {
    *static_cast<std::size_t*>(cells) += static_cast<std::size_t>(columns);
    return 0;
}
} // namespace

PluginSession::PluginSession(DbKind kind, const std::string& answer, unsigned pollInterval) : m_Kind(kind) {
    setenv("PI_CONFIG_DIR", m_Dir.Path().c_str(), 1);
    if (pollInterval != 0) {
        std::ofstream(m_Dir.Path() + "/piDorv.ini") << "PollInterval=" << pollInterval << "\n";
    }
    NAMESPACE_piDorv::TLX_MODULE_INFO_piDorv.SetTraceMask(0);
    LumoEmu_Reset();
    if (!answer.empty()) {
        LumoEmu_SetAnswer(answer.c_str());
    }
    m_DbPath = kind == DbKind::Memory ? ":memory:" : m_Dir.Path() + "/mirror.db";
    m_Storage = DatabaseWrapper::openDatabase(m_DbPath);
    m_Recording = DatabaseWrapper::makeStorage(std::make_shared<RecordingDAO>(m_Storage->dao()));
    m_Plugin = std::make_unique<Plugin>();
    m_InitStatements = Record([this] {
        QuietStdout quiet;
        if (m_Plugin->Execute(PI::INITIALIZE, 0, &m_AdapterIds) != 0 || m_AdapterIds.empty()) {
            throw std::runtime_error("the plugin did not initialise over the sample");
        }
    });
}

PluginSession::~PluginSession() {
    m_Plugin.reset();
    LumoEmu_Reset();
}

void PluginSession::StartThreads() {
    if (m_Plugin->Execute(PI::SET_ADAPTER_IDS, 0, &m_AdapterIds) != 0) {
        throw std::runtime_error("the plugin did not start its threads");
    }
}

void PluginSession::StopThreads() {
    m_Plugin->Execute(PI::DEINITIALIZE, 0, nullptr);
}

void PluginSession::AddSampleDrives() {
    Plugin& plugin = *m_Plugin;
    auto adapter = Peer::adapters(plugin).at(0);
    for (int port : {0, 1}) {
        NAMESPACE_piDorv::CDorvPhysicalDrive drive;
        drive.m_ID = plugin.NewID();
        drive.m_Parents.push_back(adapter->m_ID);
        drive.m_PortNumber = port;
        drive.m_DeviceNumber = port;
        drive.m_Name = "SD" + std::to_string(port);
        drive.m_Vendor = "Cendra";
        drive.m_Product = "SD card";
        drive.m_PhysicalSize = 60416;
        drive.m_Status = 40093;
        Peer::physicalDrives(plugin).push_back(drive);
    }
    NAMESPACE_piDorv::CDorvLogicalDrive drive(adapter);
    drive.m_ID = plugin.NewID();
    drive.m_Parents.push_back(adapter->m_ID);
    drive.m_Number = 0;
    drive.m_Name = "LogicalDrive_0";
    drive.m_LogicalSize = 60416;
    drive.m_PhysicalSize = 120832;
    drive.m_RaidLevel = 40009;
    Peer::logicalDrives(plugin).push_back(drive);
}

void PluginSession::BeginRecording() {
    static_cast<RecordingDAO&>(*m_Recording->dao()).Take();
    Peer::db(*m_Plugin) = m_Recording;
}

std::vector<std::string> PluginSession::EndRecording() {
    Peer::db(*m_Plugin) = m_Storage;
    return static_cast<RecordingDAO&>(*m_Recording->dao()).Take();
}

RawDatabase::RawDatabase(const PluginSession& session) {
    const bool memory = session.Kind() == DbKind::Memory;
    if (sqlite3_open_v2(memory ? ":memory:" : session.DatabasePath().c_str(), &m_Db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        throw std::runtime_error("cannot open the baseline database");
    }
    if (memory) {
        Run(DatabaseWrapper::mirrorSchema().createStatements);
        for (const auto& text : session.InitStatements()) {
            Run(text);
        }
    } else {
        // The access object's own settings, so that both connections work alike.
        sqlite3_busy_timeout(m_Db, 2000);
        Run("PRAGMA journal_mode=WAL;");
        Run("PRAGMA synchronous=NORMAL;");
    }
}

RawDatabase::~RawDatabase() {
    sqlite3_close_v2(m_Db);
}

std::size_t RawDatabase::Run(const std::string& sql) {
    std::size_t cells = 0;
    char* error = nullptr;
    if (sqlite3_exec(m_Db, sql.c_str(), IgnoreRow, &cells, &error) != SQLITE_OK) {
        const std::string message = error != nullptr ? error : "unknown error";
        sqlite3_free(error);
        throw std::runtime_error("baseline statement failed: " + message + ": " + sql);
    }
    return cells;
}

std::string EmulatorAnswer() {
    LumoEmu_Reset();
    return FetchAnswer();
}

std::string FetchAnswer() {
    LUMO_SESSION session{};
    Lumo_Detect();
    Lumo_Connect("bench", &session);
    const std::string request = R"({"SIP":{"V":1,"CMD":[{"OC":8624}]}})";
    std::vector<char> buffer(64001, 0);
    Lumo_PemraRequest(request.c_str(), static_cast<uint32_t>(request.size()), buffer.data(), 64000, 5);
    Lumo_Disconnect();
    return std::string(buffer.data());
}

std::string SampleAnswerWithFirmware(const std::string& firmware) {
    rapidjson::Document envelope;
    envelope.Parse(EmulatorAnswer().c_str());
    rapidjson::Value& data = envelope["SIP"]["CMD"][0]["DA"];
    rapidjson::Document tree;
    tree.Parse(data.GetString());
    tree["TavrinStorageDeviceTree"]["Adapter"][0]["FirmwareVersion"].SetString(firmware.c_str(), tree.GetAllocator());
    rapidjson::StringBuffer treeText;
    rapidjson::Writer<rapidjson::StringBuffer> treeWriter(treeText);
    tree.Accept(treeWriter);
    data.SetString(treeText.GetString(), envelope.GetAllocator());
    rapidjson::StringBuffer text;
    rapidjson::Writer<rapidjson::StringBuffer> writer(text);
    envelope.Accept(writer);
    return std::string(text.GetString(), text.GetSize());
}

std::string AnswerWithAdapters(std::size_t count, const std::string& lastFirmware) {
    rapidjson::StringBuffer tree;
    rapidjson::Writer<rapidjson::StringBuffer> writer(tree);
    writer.StartObject();
    writer.Key("TavrinStorageDeviceTree");
    writer.StartObject();
    writer.Key("Adapter");
    writer.StartArray();
    for (std::size_t i = 0; i < count; ++i) {
        // The sample's serial number with its last four digits numbering the adapters.
        char serial[] = "8A3F0C21D94E4B7A9E6155C2F0B1XXXX";
        std::snprintf(serial + 28, 5, "%04X", static_cast<unsigned>(i & 0xffff));
        const bool last = i + 1 == count && !lastFirmware.empty();
        writer.StartObject();
        for (const auto& member :
             {std::make_pair("FirmwareVersion", last ? lastFirmware.c_str() : "1.5 (LPC), 1.7 (FX3S)"),
              std::make_pair("SerialNumber", static_cast<const char*>(serial)),
              std::make_pair("Product", "Dorv100 Dual SD"), std::make_pair("Vendor", "Kelto"),
              std::make_pair("Name", "Dorv100 Dual SD (0)"), std::make_pair("VendorID", "0x7A11"),
              std::make_pair("DeviceID", "0x0D10")}) {
            writer.Key(member.first);
            writer.String(member.second);
        }
        writer.Key("AdapterNumber");
        writer.Int(static_cast<int>(i));
        writer.EndObject();
    }
    writer.EndArray();
    writer.EndObject();
    writer.EndObject();

    rapidjson::StringBuffer text;
    rapidjson::Writer<rapidjson::StringBuffer> envelope(text);
    envelope.StartObject();
    envelope.Key("SIP");
    envelope.StartObject();
    envelope.Key("V");
    envelope.Int(1);
    envelope.Key("CMD");
    envelope.StartArray();
    envelope.StartObject();
    envelope.Key("OC");
    envelope.Int(8624);
    envelope.Key("ST");
    envelope.Int(0);
    envelope.Key("DA");
    envelope.String(tree.GetString(), static_cast<rapidjson::SizeType>(tree.GetSize()));
    envelope.Key("MI");
    envelope.Int(196613);
    envelope.EndObject();
    envelope.EndArray();
    envelope.EndObject();
    envelope.EndObject();
    return std::string(text.GetString(), text.GetSize());
}

std::size_t MostAdapters() {
    static const std::size_t most = [] {
        std::size_t count = 1;
        while (AnswerWithAdapters(count + 1).size() <= 64000) {
            ++count;
        }
        return count;
    }();
    return most;
}

std::size_t HeapInUse() {
    return mallinfo2().uordblks;
}
} // namespace bench
