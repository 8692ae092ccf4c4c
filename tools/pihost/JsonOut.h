// JSON documents of pihost (format 1.1): {"format":[1,1],"command":...,"status":...,"statusName":...,payload,
// "warnings":[...]}, with "error":{"kind":...,"message":...} on failure. Readers depend on these shapes
// (docs/pihost.schema.json); a change that breaks one raises the major format version, an addition the minor one.
// Text is always valid UTF-8.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ExitStatus.h"
#include "MirrorDatabase.h"
#include "TopologyDiff.h"
#include "pi/CObject.h"

namespace pihost {

struct CheckResult;

// "plugin", "adapter", "physicalDrive", "logicalDrive" or "other": an object's "kind".
const char* JsonKindName(ObjectKind kind);

class JsonDocument {
public:
    // Opens the document with the format and the command name.
    explicit JsonDocument(const std::string& command);
    ~JsonDocument();
    JsonDocument(const JsonDocument&) = delete;
    JsonDocument& operator=(const JsonDocument&) = delete;

    // "status" and "statusName".
    JsonDocument& Status(std::uint32_t status);
    JsonDocument& Objects(const std::vector<PI::CObject>& objects);          // "objects"
    JsonDocument& Properties(const std::vector<PI::CProperty>& properties);  // "properties"
    JsonDocument& Property(const PI::CProperty& property);                   // "property"
    JsonDocument& Operations(const std::vector<PI::COperation>& operations); // "operations"
    JsonDocument& Operation(const PI::COperation& operation);                // "operation"
    JsonDocument& Event(const PI::CEvent& event);                            // "event"
    JsonDocument& ChangeItem(const Change& change);                          // "change", with the time it is seen
    JsonDocument& Tables(const std::vector<TableRows>& tables);              // "tables" and "columns"
    JsonDocument& Error(ErrorKind kind, const std::string& message);         // "error"
    // "warnings", written by Finish (an empty list when none were given).
    JsonDocument& Warnings(const std::vector<std::string>& warnings);
    // "object": the identifier and kind of the object a command addressed.
    JsonDocument& Target(const std::vector<PI::CObject>& topology, std::uint64_t id);
    // "check": the outcome of pihost check.
    JsonDocument& Check(const CheckResult& result);
    // "metrics": the exposition text and the file it went to (null: standard output).
    JsonDocument& Metrics(const std::string& text, const std::string& output);
    // "version": pihost's and the plugin's.
    JsonDocument& Version(const std::string& pihost, const std::string& plugin);

    // Closes the document and returns it as one line (no line end).
    std::string Finish();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace pihost
