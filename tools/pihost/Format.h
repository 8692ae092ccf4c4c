// Human-readable output: names instead of numbers wherever a name exists.
#pragma once
#include <cstdint>
#include <ctime>
#include <ostream>
#include <string>
#include <vector>

#include "MirrorDatabase.h"
#include "TopologyDiff.h"
#include "codes/CodeNames.h"
#include "pi/CObject.h"

namespace pihost {

// Untrusted text in double quotes, on one line, control characters escaped (SafeText.h).
std::string QuotedText(const std::string& text);
// "0x" and 16 hex digits.
std::string FormatId(std::uint64_t id);
// The code's name, else its number.
std::string CodeLabel(CodeNames::Table table, std::int32_t code);
// "INVALID_OBJECT_ID (20008)"; a code without a name shows as its number.
std::string FormatStatus(std::uint32_t status);
// A size counted in KiB, e.g. "60416 KiB (59.0 MiB)".
std::string FormatKiB(std::uint64_t kib);
// Local time "2026-12-06 10:15:02".
std::string FormatTime(std::time_t time);

std::string FormatValue(const PI::CProperty& property);
// "NAME  value", the name padded to a column; "*" marks a changeable property.
std::string FormatProperty(const PI::CProperty& property);
// The operation's name and what it carries (RAID levels, events, logical drives).
std::vector<std::string> FormatOperation(const PI::COperation& operation);
std::string FormatEvent(const PI::CEvent& event);
std::string FormatChange(const Change& change);

void PrintTopology(std::ostream& out, const std::vector<PI::CObject>& objects);
void PrintProperties(std::ostream& out, const std::vector<PI::CProperty>& properties);
void PrintOperations(std::ostream& out, const std::vector<PI::COperation>& operations);
void PrintTables(std::ostream& out, const std::vector<TableRows>& tables);

} // namespace pihost
