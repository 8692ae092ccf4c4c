// Shared pieces of the plugin benchmarks: an initialised plugin over the emulator's sample with a
// database of its own, the sample drives, a recorder of the SQL texts a call sends, and the replay
// of such texts straight through sqlite3 (the floor under the database work).
#pragma once
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "db/Database.h"
#include "piDorv/Src/piDorvPlugin.h"
#include "support/PluginTestPeer.h"

struct sqlite3;

namespace bench {
using Plugin = NAMESPACE_piDorv::IPLUGINAPI_IMPL;
using Peer = NAMESPACE_piDorv::PluginTestPeer;

// A scratch directory of its own, removed with the object.
class TempDir {
public:
    TempDir() : m_Path((std::filesystem::temp_directory_path() / "pidorv-XXXXXX").string()) {
        if (mkdtemp(m_Path.data()) == nullptr) {
            throw std::runtime_error("cannot make a scratch directory");
        }
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_Path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return m_Path; }

private:
    std::string m_Path;
};

// Where the mirror lives: in memory, or in a WAL file.
enum class DbKind { Memory, WalFile };

// One plugin, initialised over the emulator's built-in sample (or the answer given), with its own
// configuration directory and database. The trace mask is 0 unless a benchmark sets it. A poll interval
// other than 0 is written to the configuration file before the plugin is made.
class PluginSession {
public:
    explicit PluginSession(DbKind kind, const std::string& answer = std::string(), unsigned pollInterval = 0);
    ~PluginSession();
    PluginSession(const PluginSession&) = delete;
    PluginSession& operator=(const PluginSession&) = delete;

    Plugin& Get() { return *m_Plugin; }
    const std::string& DatabasePath() const { return m_DbPath; }
    DbKind Kind() const { return m_Kind; }
    // The SQL texts of Initialize, in order (to give a baseline database the same rows).
    const std::vector<std::string>& InitStatements() const { return m_InitStatements; }
    // Two SD cards and one RAID-1 logical drive over them, as the object model holds them.
    void AddSampleDrives();
    // Runs `call` with every SQL text the plugin sends recorded; returns the texts in order.
    template <class Call> std::vector<std::string> Record(Call call);
    // SetAdapterIDs with the adapters of Initialize (starts the worker), and DeInitialize.
    void StartThreads();
    void StopThreads();

private:
    void BeginRecording();
    std::vector<std::string> EndRecording();

    TempDir m_Dir;
    DbKind m_Kind;
    std::string m_DbPath;
    std::shared_ptr<DatabaseORM::storage_t> m_Storage;
    std::shared_ptr<DatabaseORM::storage_t> m_Recording;
    std::unique_ptr<Plugin> m_Plugin;
    std::vector<std::string> m_InitStatements;
    std::vector<PI::CAdapterID> m_AdapterIds;
};

template <class Call> std::vector<std::string> PluginSession::Record(Call call) {
    BeginRecording();
    call();
    return EndRecording();
}

// The floor under the database work: a plain sqlite3 connection that runs texts with sqlite3_exec.
class RawDatabase {
public:
    // The same database file as the session's (a second connection), or, for an in-memory session,
    // a fresh in-memory database given the same schema and the rows of the session's Initialize.
    explicit RawDatabase(const PluginSession& session);
    ~RawDatabase();
    RawDatabase(const RawDatabase&) = delete;
    RawDatabase& operator=(const RawDatabase&) = delete;

    // Runs every statement of the text, stepping through all result rows; returns the cells seen.
    std::size_t Run(const std::string& sql);

private:
    sqlite3* m_Db = nullptr;
};

// The emulator's built-in answer, fetched the way the plugin fetches it.
std::string EmulatorAnswer();
// The emulator's current answer, fetched the way the plugin fetches it (the emulator keeps the answer
// it built last, so that the plugin's next request does not pay for building it).
std::string FetchAnswer();
// The same answer with the sample adapter's firmware text replaced (a changed adapter).
std::string SampleAnswerWithFirmware(const std::string& firmware);
// An answer holding `count` adapters that differ only in serial number (the plugin's unique id) and
// adapter number, each with just the eight members the plugin reads; the last one's firmware text can
// be given.
std::string AnswerWithAdapters(std::size_t count, const std::string& lastFirmware = std::string());
// The most adapters such an answer holds within the 64,000 bytes the plugin reads.
std::size_t MostAdapters();

// Heap bytes in use (mallinfo2).
std::size_t HeapInUse();
} // namespace bench
