#include "Format.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <new>
#include <sstream>

#include <libsmartcols.h>

#include "HostCodes.h"
#include "ObjectKind.h"
#include "SafeText.h"

namespace pihost {
namespace {

const std::size_t NAME_COLUMN = 28;

std::string Join(const std::vector<std::string>& parts, const char* separator) {
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i) {
            out += separator;
        }
        out += parts[i];
    }
    return out;
}

std::string ValueLabel(std::int32_t code) {
    return CodeLabel(CodeNames::Table::Value, code);
}

std::vector<std::string> ValueLabels(const std::vector<std::int32_t>& codes) {
    std::vector<std::string> out;
    for (std::int32_t code : codes) {
        out.push_back(ValueLabel(code));
    }
    return out;
}

// Untrusted text on one line: line breaks and tabs folded into blanks, other control characters escaped.
std::string OneLine(const std::string& text) {
    std::string out;
    bool blank = false;
    for (char c : text) {
        if (c == '\n' || c == '\r' || c == '\t') {
            blank = true;
            continue;
        }
        if (blank && !out.empty() && c != ' ') {
            out += ' ';
        }
        blank = false;
        out += c;
    }
    return Printable(out);
}

std::string ObjectHeader(ObjectKind kind, std::uint64_t id, const std::string& name) {
    std::string out = std::string(KindName(kind)) + " " + FormatId(id);
    if (!name.empty()) {
        out += " " + QuotedText(name);
    }
    return out;
}

std::string CellText(const Cell& cell) {
    switch (cell.type) {
    case Cell::Type::Integer:
        return std::to_string(cell.integer);
    case Cell::Type::Real: {
        std::ostringstream s;
        s << cell.real;
        return s.str();
    }
    case Cell::Type::Text:
        return cell.text.empty() ? std::string("\"\"") : OneLine(cell.text);
    case Cell::Type::Null:
        break;
    }
    return "NULL";
}

} // namespace

std::string QuotedText(const std::string& text) {
    return "\"" + OneLine(text) + "\"";
}

std::string FormatId(std::uint64_t id) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%016llx", static_cast<unsigned long long>(id));
    return text;
}

std::string CodeLabel(CodeNames::Table table, std::int32_t code) {
    const std::string& name = CodeNames::Name(table, code);
    return name.empty() ? std::to_string(code) : name;
}

std::string FormatStatus(std::uint32_t status) {
    const std::string& name = CodeNames::StatusName(static_cast<std::int32_t>(status));
    if (name.empty()) {
        return std::to_string(status);
    }
    return name + " (" + std::to_string(status) + ")";
}

std::string FormatKiB(std::uint64_t kib) {
    std::string out = std::to_string(kib) + " KiB";
    char scaled[64];
    if (kib >= 1024ull * 1024) {
        std::snprintf(scaled, sizeof scaled, " (%.1f GiB)", static_cast<double>(kib) / (1024.0 * 1024.0));
        out += scaled;
    } else if (kib >= 1024) {
        std::snprintf(scaled, sizeof scaled, " (%.1f MiB)", static_cast<double>(kib) / 1024.0);
        out += scaled;
    }
    return out;
}

std::string FormatTime(std::time_t time) {
    std::tm parts{};
    if (!localtime_r(&time, &parts)) {
        return std::to_string(static_cast<long long>(time));
    }
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return text;
}

std::string FormatValue(const PI::CProperty& property) {
    switch (property.Kind()) {
    case PI::CProperty::STRING:
        return property.String()->text.empty() ? std::string("\"\"") : OneLine(property.String()->text);
    case PI::CProperty::NUMBER_OR_RANGE: {
        const PI::CMultiValueData& n = *property.Number();
        if (n.ranged) {
            return std::to_string(n.value) + " (" + std::to_string(n.minimum) + ".." + std::to_string(n.maximum) +
                   ", step " + std::to_string(n.step) + ")";
        }
        if (property.m_ExtraText == Codes::EXTRA_TEXT_SIZE) {
            return FormatKiB(n.value);
        }
        return std::to_string(n.value);
    }
    case PI::CProperty::CHOICE: {
        const PI::CChoiceData& c = *property.Choice();
        std::string out = ValueLabel(c.value);
        if (c.choices.size() > 1) {
            out += " (choices: " + Join(ValueLabels(c.choices), ", ") + ")";
        }
        return out;
    }
    case PI::CProperty::LISTS: {
        const PI::CMultiLongData& l = *property.Lists();
        std::string out = l.values.empty() ? std::string("none") : Join(ValueLabels(l.values), ", ");
        if (!l.allowed.empty()) {
            out += " (allowed: " + Join(ValueLabels(l.allowed), ", ") + ")";
        }
        return out;
    }
    case PI::CProperty::XML:
        return OneLine(property.Xml()->xml);
    case PI::CProperty::STRINGS: {
        std::vector<std::string> texts;
        for (const auto& text : property.Strings()->texts) {
            texts.push_back(OneLine(text));
        }
        return Join(texts, ", ");
    }
    case PI::CProperty::NONE:
        break;
    }
    return "(no value)";
}

std::string FormatProperty(const PI::CProperty& property) {
    std::string name = CodeLabel(CodeNames::Table::Property, property.m_Code);
    if (property.m_Changeable) {
        name += " *";
    }
    if (name.size() < NAME_COLUMN) {
        name.resize(NAME_COLUMN, ' ');
    } else {
        name += "  ";
    }
    return name + FormatValue(property);
}

std::vector<std::string> FormatOperation(const PI::COperation& operation) {
    std::vector<std::string> lines;
    std::string head = CodeLabel(CodeNames::Table::Operation, operation.m_Code);
    if (operation.m_Result != 0) {
        head += " (result " + std::to_string(operation.m_Result) + ")";
    }
    lines.push_back(head);
    for (const auto& level : operation.m_Levels) {
        lines.push_back("  " + ValueLabel(level.m_Level) + ": stripe sizes " +
                        Join(ValueLabels(level.m_StripeSizes), ", ") + " (default " +
                        ValueLabel(level.m_DefaultStripeSize) + "), " + std::to_string(level.m_MinDrives) + " to " +
                        std::to_string(level.m_MaxDrives) + " drives");
    }
    for (const auto& event : operation.m_Events) {
        lines.push_back("  " + FormatEvent(event));
    }
    for (const auto& drive : operation.m_LogicalDrives) {
        std::string line = "  logical drive " + std::to_string(drive.m_Number);
        if (!drive.m_Name.empty()) {
            line += " " + QuotedText(drive.m_Name);
        }
        line += ": " + ValueLabel(drive.m_RaidLevel) + ", stripe " + ValueLabel(drive.m_StripeSize);
        for (const auto& container : drive.m_Containers) {
            line += ", container " + std::to_string(container.m_Number) + " with " +
                    std::to_string(container.m_Drives.size()) + " drives";
        }
        lines.push_back(line);
    }
    return lines;
}

std::string FormatEvent(const PI::CEvent& event) {
    std::string out = FormatTime(event.m_Time) + "  " + CodeLabel(CodeNames::Table::Event, event.m_Code) + " (" +
                      std::to_string(event.m_Code) + "/" + std::to_string(event.m_Code2) + ") from " +
                      FormatId(event.m_SourceID);
    if (!event.m_SourceName.empty()) {
        out += " " + QuotedText(event.m_SourceName);
    }
    std::vector<std::string> placeholders;
    if (!event.m_PlaceHolder1.empty()) {
        placeholders.push_back(OneLine(event.m_PlaceHolder1));
    }
    if (!event.m_PlaceHolder2.empty()) {
        placeholders.push_back(OneLine(event.m_PlaceHolder2));
    }
    if (!placeholders.empty()) {
        out += ": " + Join(placeholders, ", ");
    }
    return out;
}

std::string FormatChange(const Change& change) {
    const std::string object = ObjectHeader(change.objectKind, change.id, change.name);
    switch (change.kind) {
    case Change::Kind::Added:
        return "added " + object;
    case Change::Kind::Removed:
        return "removed " + object;
    case Change::Kind::Renumbered:
        return std::string(KindName(change.objectKind)) + " " + FormatId(change.oldId) + " is now " +
               FormatId(change.id);
    case Change::Kind::Property:
        break;
    }
    return object + ": " + CodeLabel(CodeNames::Table::Property, change.code) + " " +
           (change.before ? FormatValue(*change.before) : std::string("(none)")) + " -> " +
           (change.after ? FormatValue(*change.after) : std::string("(none)"));
}

void PrintTopology(std::ostream& out, const std::vector<PI::CObject>& objects) {
    // libsmartcols draws the tree as lsblk does, and encodes what is still unsafe for the terminal.
    const std::unique_ptr<libscols_table, void (*)(libscols_table*)> table(scols_new_table(), scols_unref_table);
    if (!table) {
        throw std::bad_alloc();
    }
    scols_table_new_column(table.get(), "OBJECT", 0.3, SCOLS_FL_TREE);
    scols_table_new_column(table.get(), "VALUE", 0.7, 0);
    scols_table_enable_noheadings(table.get(), 1);
    const auto row = [&](libscols_line* parent, const std::string& name, const std::string& value) {
        libscols_line* line = scols_table_new_line(table.get(), parent);
        if (!line) {
            throw std::bad_alloc();
        }
        scols_line_set_data(line, 0, name.c_str());
        scols_line_set_data(line, 1, value.c_str());
        return line;
    };
    std::map<std::uint64_t, libscols_line*> lines;
    for (const auto& object : objects) {
        const ObjectKind kind = KindOf(object);
        const auto parent = object.m_Parents.empty() ? lines.end() : lines.find(object.m_Parents.front());
        std::string value = DisplayName(object).empty() ? std::string() : QuotedText(DisplayName(object)) + "  ";
        value += "type " + std::to_string(object.m_Type) + ", updates " + std::to_string(object.m_UpdateCounter) +
                 (object.m_Locked ? ", locked" : "");
        libscols_line* line = row(parent == lines.end() ? nullptr : parent->second,
                                  std::string(KindName(kind)) + " " + FormatId(object.m_ID), value);
        lines[object.m_ID] = line;
        libscols_line* properties = row(line, "properties", object.m_Properties.empty() ? "none" : "");
        for (const auto& property : object.m_Properties) {
            row(properties,
                CodeLabel(CodeNames::Table::Property, property.m_Code) + (property.m_Changeable ? " *" : ""),
                FormatValue(property));
        }
        libscols_line* operations = row(line, "operations", object.m_Operations.empty() ? "none" : "");
        for (const auto& operation : object.m_Operations) {
            std::vector<std::string> parts = FormatOperation(operation);
            const std::string name = parts.front();
            parts.erase(parts.begin());
            for (auto& part : parts) {
                part.erase(0, part.find_first_not_of(' '));
            }
            row(operations, name, Join(parts, "; "));
        }
    }
    char* text = nullptr;
    if (scols_print_table_to_string(table.get(), &text) != 0 || !text) {
        throw std::bad_alloc();
    }
    out << text << "\n";
    std::free(text);
}

void PrintProperties(std::ostream& out, const std::vector<PI::CProperty>& properties) {
    if (properties.empty()) {
        out << "no properties\n";
    }
    for (const auto& property : properties) {
        out << FormatProperty(property) << "\n";
    }
}

void PrintOperations(std::ostream& out, const std::vector<PI::COperation>& operations) {
    if (operations.empty()) {
        out << "no operations\n";
    }
    for (const auto& operation : operations) {
        for (const auto& line : FormatOperation(operation)) {
            out << line << "\n";
        }
    }
}

void PrintTables(std::ostream& out, const std::vector<TableRows>& tables) {
    for (const auto& table : tables) {
        if (!table.present) {
            out << table.name << ": no such table\n";
            continue;
        }
        out << table.name << ": " << table.rows.size() << (table.rows.size() == 1 ? " row" : " rows") << "\n";
        std::size_t width = 0;
        for (const auto& column : table.columns) {
            width = std::max(width, column.size());
        }
        for (std::size_t r = 0; r < table.rows.size(); ++r) {
            out << "  row " << r + 1 << "\n";
            std::size_t nulls = 0;
            for (std::size_t c = 0; c < table.columns.size() && c < table.rows[r].size(); ++c) {
                const Cell& cell = table.rows[r][c];
                if (cell.type == Cell::Type::Null) {
                    ++nulls;
                    continue;
                }
                std::string name = table.columns[c];
                name.resize(width, ' ');
                out << "    " << name << "  " << CellText(cell) << "\n";
            }
            if (nulls) {
                out << "    (" << nulls << " NULL " << (nulls == 1 ? "column" : "columns") << " not shown)\n";
            }
        }
    }
}

} // namespace pihost
