#include "JsonOut.h"

#include <ctime>

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "Format.h"
#include "Monitoring.h"
#include "SafeText.h"
#include "codes/CodeNames.h"

namespace pihost {
namespace {

typedef rapidjson::Writer<rapidjson::StringBuffer> Writer;

// Every text goes out as valid UTF-8, whatever bytes the controller or a file gave.
void Text(Writer& w, const std::string& text) {
    const std::string valid = ValidUtf8(text);
    w.String(valid.c_str(), static_cast<rapidjson::SizeType>(valid.size()));
}

void Key(Writer& w, const char* key) {
    w.Key(key);
}

void Id(Writer& w, std::uint64_t id) {
    Text(w, FormatId(id));
}

void IntList(Writer& w, const std::vector<std::int32_t>& values) {
    w.StartArray();
    for (std::int32_t v : values) {
        w.Int(v);
    }
    w.EndArray();
}

// The names of value codes, beside the codes ("" for a code without a name), so that readers need no table.
void ValueName(Writer& w, const char* key, std::int32_t code) {
    Key(w, key);
    Text(w, CodeNames::ValueName(code));
}

void ValueNames(Writer& w, const char* key, const std::vector<std::int32_t>& codes) {
    Key(w, key);
    w.StartArray();
    for (std::int32_t code : codes) {
        Text(w, CodeNames::ValueName(code));
    }
    w.EndArray();
}

void Value(Writer& w, const PI::CProperty& p) {
    w.StartObject();
    Key(w, "kind");
    switch (p.Kind()) {
    case PI::CProperty::NUMBER_OR_RANGE: {
        const PI::CMultiValueData& n = *p.Number();
        if (n.ranged) {
            w.String("range");
            Key(w, "value");
            w.Uint64(n.value);
            Key(w, "min");
            w.Int64(n.minimum);
            Key(w, "max");
            w.Int64(n.maximum);
            Key(w, "step");
            w.Int64(n.step);
        } else {
            w.String("number");
            Key(w, "number");
            w.Uint64(n.value);
        }
        break;
    }
    case PI::CProperty::STRING:
        w.String("string");
        Key(w, "text");
        Text(w, p.String()->text);
        break;
    case PI::CProperty::CHOICE:
        w.String("choice");
        Key(w, "value");
        w.Int(p.Choice()->value);
        ValueName(w, "valueName", p.Choice()->value);
        Key(w, "choices");
        IntList(w, p.Choice()->choices);
        ValueNames(w, "choiceNames", p.Choice()->choices);
        break;
    case PI::CProperty::LISTS:
        w.String("lists");
        Key(w, "values");
        IntList(w, p.Lists()->values);
        ValueNames(w, "valueNames", p.Lists()->values);
        Key(w, "allowed");
        IntList(w, p.Lists()->allowed);
        ValueNames(w, "allowedNames", p.Lists()->allowed);
        break;
    case PI::CProperty::XML:
        w.String("xml");
        Key(w, "xml");
        Text(w, p.Xml()->xml);
        break;
    case PI::CProperty::STRINGS:
        w.String("strings");
        Key(w, "texts");
        w.StartArray();
        for (const auto& t : p.Strings()->texts) {
            Text(w, t);
        }
        w.EndArray();
        break;
    case PI::CProperty::NONE:
        w.String("none");
        break;
    }
    w.EndObject();
}

void PropertyRecord(Writer& w, const PI::CProperty& p) {
    w.StartObject();
    Key(w, "code");
    w.Int(p.m_Code);
    Key(w, "name");
    Text(w, CodeNames::PropertyName(p.m_Code));
    Key(w, "changeable");
    w.Bool(p.m_Changeable);
    Key(w, "subCode");
    w.Int(p.m_SubCode);
    Key(w, "label");
    w.Int(p.m_Label);
    Key(w, "position");
    w.Int(p.m_Position);
    Key(w, "extraText");
    w.Int(p.m_ExtraText);
    Key(w, "flag");
    w.Uint(p.m_Flag);
    Key(w, "statusDisplay");
    w.Int(p.m_StatusDisplay);
    Key(w, "value");
    Value(w, p);
    w.EndObject();
}

void EventRecord(Writer& w, const PI::CEvent& e) {
    w.StartObject();
    Key(w, "source");
    Id(w, e.m_SourceID);
    Key(w, "code");
    w.Int(e.m_Code);
    Key(w, "name");
    Text(w, CodeNames::EventName(e.m_Code));
    Key(w, "code2");
    w.Int(e.m_Code2);
    Key(w, "time");
    w.Int64(static_cast<std::int64_t>(e.m_Time));
    Key(w, "sourceName");
    Text(w, e.m_SourceName);
    Key(w, "placeholder1");
    Text(w, e.m_PlaceHolder1);
    Key(w, "placeholder2");
    Text(w, e.m_PlaceHolder2);
    w.EndObject();
}

void LevelRecord(Writer& w, const PI::CLevel& l) {
    w.StartObject();
    Key(w, "level");
    w.Int(l.m_Level);
    Key(w, "name");
    Text(w, CodeNames::ValueName(l.m_Level));
    Key(w, "stripeSizes");
    IntList(w, l.m_StripeSizes);
    ValueNames(w, "stripeSizeNames", l.m_StripeSizes);
    Key(w, "defaultStripeSize");
    w.Int(l.m_DefaultStripeSize);
    ValueName(w, "defaultStripeSizeName", l.m_DefaultStripeSize);
    const std::pair<const char*, std::int32_t> fields[] = {
        {"minDrives", l.m_MinDrives},   {"maxDrives", l.m_MaxDrives}, {"reserved1", l.m_Reserved1},
        {"reserved2", l.m_Reserved2},   {"reserved3", l.m_Reserved3}, {"reserved4", l.m_Reserved4},
        {"textNumber", l.m_TextNumber}, {"reserved5", l.m_Reserved5}, {"reserved6", l.m_Reserved6}};
    for (const auto& field : fields) {
        Key(w, field.first);
        w.Int(field.second);
    }
    w.EndObject();
}

void LogicalDriveRecord(Writer& w, const PI::CLogicalDrive& d) {
    w.StartObject();
    Key(w, "number");
    w.Int(d.m_Number);
    Key(w, "raidLevel");
    w.Int(d.m_RaidLevel);
    ValueName(w, "raidLevelName", d.m_RaidLevel);
    Key(w, "stripeSize");
    w.Int(d.m_StripeSize);
    ValueName(w, "stripeSizeName", d.m_StripeSize);
    Key(w, "name");
    Text(w, d.m_Name);
    Key(w, "containers");
    w.StartArray();
    for (const auto& c : d.m_Containers) {
        w.StartObject();
        Key(w, "number");
        w.Int(c.m_Number);
        Key(w, "drives");
        w.StartArray();
        for (const auto& drive : c.m_Drives) {
            w.StartObject();
            Key(w, "port");
            w.Int(drive.m_PortNumber);
            Key(w, "device");
            w.Int(drive.m_DeviceNumber);
            Key(w, "size");
            w.Uint64(drive.m_Size);
            w.EndObject();
        }
        w.EndArray();
        w.EndObject();
    }
    w.EndArray();
    w.EndObject();
}

void OperationRecord(Writer& w, const PI::COperation& o) {
    w.StartObject();
    Key(w, "code");
    w.Int(o.m_Code);
    Key(w, "name");
    Text(w, CodeNames::OperationName(o.m_Code));
    Key(w, "kind");
    w.Int(o.m_Kind);
    Key(w, "block");
    w.StartArray();
    for (std::int32_t b : o.m_Block) {
        w.Int(b);
    }
    w.EndArray();
    Key(w, "flag");
    w.Bool(o.m_Flag);
    Key(w, "result");
    w.Int(o.m_Result);
    Key(w, "levels");
    w.StartArray();
    for (const auto& l : o.m_Levels) {
        LevelRecord(w, l);
    }
    w.EndArray();
    Key(w, "events");
    w.StartArray();
    for (const auto& e : o.m_Events) {
        EventRecord(w, e);
    }
    w.EndArray();
    Key(w, "logicalDrives");
    w.StartArray();
    for (const auto& d : o.m_LogicalDrives) {
        LogicalDriveRecord(w, d);
    }
    w.EndArray();
    w.EndObject();
}

void IdArray(Writer& w, const std::vector<std::uint64_t>& ids) {
    w.StartArray();
    for (std::uint64_t id : ids) {
        Id(w, id);
    }
    w.EndArray();
}

void ObjectRecord(Writer& w, const PI::CObject& o) {
    w.StartObject();
    Key(w, "id");
    Id(w, o.m_ID);
    Key(w, "type");
    w.Int(o.m_Type);
    Key(w, "kind");
    w.String(JsonKindName(KindOf(o)));
    Key(w, "parents");
    IdArray(w, o.m_Parents);
    Key(w, "children");
    IdArray(w, o.m_Children);
    Key(w, "updateCounter");
    w.Uint64(o.m_UpdateCounter);
    Key(w, "locked");
    w.Bool(o.m_Locked);
    Key(w, "properties");
    w.StartArray();
    for (const auto& p : o.m_Properties) {
        PropertyRecord(w, p);
    }
    w.EndArray();
    Key(w, "operations");
    w.StartArray();
    for (const auto& op : o.m_Operations) {
        OperationRecord(w, op);
    }
    w.EndArray();
    w.EndObject();
}

const char* ChangeKindName(Change::Kind kind) {
    switch (kind) {
    case Change::Kind::Added:
        return "added";
    case Change::Kind::Removed:
        return "removed";
    case Change::Kind::Renumbered:
        return "renumbered";
    case Change::Kind::Property:
        break;
    }
    return "property";
}

void CellValue(Writer& w, const Cell& cell) {
    switch (cell.type) {
    case Cell::Type::Integer:
        w.Int64(cell.integer);
        break;
    case Cell::Type::Real:
        w.Double(cell.real);
        break;
    case Cell::Type::Text:
        Text(w, cell.text);
        break;
    case Cell::Type::Null:
        w.Null();
        break;
    }
}
} // namespace

const char* JsonKindName(ObjectKind kind) {
    switch (kind) {
    case ObjectKind::Plugin:
        return "plugin";
    case ObjectKind::Adapter:
        return "adapter";
    case ObjectKind::PhysicalDrive:
        return "physicalDrive";
    case ObjectKind::LogicalDrive:
        return "logicalDrive";
    case ObjectKind::Other:
        break;
    }
    return "other";
}

struct JsonDocument::Impl {
    rapidjson::StringBuffer buffer;
    Writer writer{buffer};
    std::vector<std::string> warnings;
};

JsonDocument::JsonDocument(const std::string& command) : impl_(new Impl) {
    Writer& w = impl_->writer;
    w.StartObject();
    Key(w, "format");
    w.StartArray();
    w.Int(1);
    w.Int(1);
    w.EndArray();
    Key(w, "command");
    Text(w, command);
}

JsonDocument::~JsonDocument() = default;

JsonDocument& JsonDocument::Status(std::uint32_t status) {
    Writer& w = impl_->writer;
    Key(w, "status");
    w.Uint(status);
    Key(w, "statusName");
    Text(w, CodeNames::StatusName(static_cast<std::int32_t>(status)));
    return *this;
}

JsonDocument& JsonDocument::Objects(const std::vector<PI::CObject>& objects) {
    Writer& w = impl_->writer;
    Key(w, "objects");
    w.StartArray();
    for (const auto& o : objects) {
        ObjectRecord(w, o);
    }
    w.EndArray();
    return *this;
}

JsonDocument& JsonDocument::Properties(const std::vector<PI::CProperty>& properties) {
    Writer& w = impl_->writer;
    Key(w, "properties");
    w.StartArray();
    for (const auto& p : properties) {
        PropertyRecord(w, p);
    }
    w.EndArray();
    return *this;
}

JsonDocument& JsonDocument::Property(const PI::CProperty& property) {
    Key(impl_->writer, "property");
    PropertyRecord(impl_->writer, property);
    return *this;
}

JsonDocument& JsonDocument::Operations(const std::vector<PI::COperation>& operations) {
    Writer& w = impl_->writer;
    Key(w, "operations");
    w.StartArray();
    for (const auto& o : operations) {
        OperationRecord(w, o);
    }
    w.EndArray();
    return *this;
}

JsonDocument& JsonDocument::Operation(const PI::COperation& operation) {
    Key(impl_->writer, "operation");
    OperationRecord(impl_->writer, operation);
    return *this;
}

JsonDocument& JsonDocument::Event(const PI::CEvent& event) {
    Key(impl_->writer, "event");
    EventRecord(impl_->writer, event);
    return *this;
}

JsonDocument& JsonDocument::Target(const std::vector<PI::CObject>& topology, std::uint64_t id) {
    Writer& w = impl_->writer;
    Key(w, "object");
    w.StartObject();
    Key(w, "id");
    Id(w, id);
    Key(w, "kind");
    ObjectKind kind = ObjectKind::Other;
    for (const auto& object : topology) {
        if (object.m_ID == id) {
            kind = KindOf(object);
        }
    }
    w.String(JsonKindName(kind));
    w.EndObject();
    return *this;
}

JsonDocument& JsonDocument::ChangeItem(const Change& change) {
    Writer& w = impl_->writer;
    Key(w, "change");
    w.StartObject();
    Key(w, "kind");
    w.String(ChangeKindName(change.kind));
    Key(w, "time");
    w.Int64(static_cast<std::int64_t>(std::time(nullptr)));
    Key(w, "id");
    Id(w, change.id);
    if (change.kind == Change::Kind::Renumbered) {
        Key(w, "oldId");
        Id(w, change.oldId);
    }
    Key(w, "type");
    w.Int(change.type);
    Key(w, "object");
    w.String(KindName(change.objectKind));
    Key(w, "name");
    Text(w, change.name);
    if (change.kind == Change::Kind::Property) {
        Key(w, "code");
        w.Int(change.code);
        Key(w, "property");
        Text(w, CodeNames::PropertyName(change.code));
        Key(w, "before");
        if (change.before) {
            Value(w, *change.before);
        } else {
            w.Null();
        }
        Key(w, "after");
        if (change.after) {
            Value(w, *change.after);
        } else {
            w.Null();
        }
    }
    w.EndObject();
    return *this;
}

JsonDocument& JsonDocument::Tables(const std::vector<TableRows>& tables) {
    Writer& w = impl_->writer;
    Key(w, "tables");
    w.StartObject();
    for (const auto& table : tables) {
        Text(w, table.name);
        w.StartArray();
        for (const auto& row : table.rows) {
            w.StartArray();
            for (const auto& cell : row) {
                CellValue(w, cell);
            }
            w.EndArray();
        }
        w.EndArray();
    }
    w.EndObject();
    // Beside the rows rather than inside them, so that readers of format 1.0 keep working.
    Key(w, "columns");
    w.StartObject();
    for (const auto& table : tables) {
        Text(w, table.name);
        w.StartArray();
        for (const auto& column : table.columns) {
            Text(w, column);
        }
        w.EndArray();
    }
    w.EndObject();
    return *this;
}

JsonDocument& JsonDocument::Error(ErrorKind kind, const std::string& message) {
    Writer& w = impl_->writer;
    Key(w, "error");
    w.StartObject();
    Key(w, "kind");
    w.String(ErrorKindName(kind));
    Key(w, "message");
    Text(w, message);
    w.EndObject();
    return *this;
}

JsonDocument& JsonDocument::Warnings(const std::vector<std::string>& warnings) {
    impl_->warnings = warnings;
    return *this;
}

JsonDocument& JsonDocument::Check(const CheckResult& result) {
    Writer& w = impl_->writer;
    Key(w, "check");
    w.StartObject();
    Key(w, "state");
    w.String(CheckStateName(result.state));
    Key(w, "code");
    w.Int(static_cast<int>(result.state));
    Key(w, "line");
    Text(w, CheckLine(result));
    Key(w, "summary");
    Text(w, result.summary);
    const std::pair<const char*, int> counts[] = {
        {"adapters", result.adapters}, {"failed", result.failed}, {"warning", result.warning}};
    for (const auto& count : counts) {
        Key(w, count.first);
        w.Int(count.second);
    }
    Key(w, "problems");
    w.StartArray();
    for (const auto& p : result.problems) {
        w.StartObject();
        Key(w, "id");
        Id(w, p.id);
        Key(w, "kind");
        w.String(JsonKindName(p.kind));
        Key(w, "name");
        Text(w, p.name);
        Key(w, "value");
        w.Int(p.value);
        ValueName(w, "valueName", p.value);
        Key(w, "state");
        w.String(CheckStateName(p.state));
        w.EndObject();
    }
    w.EndArray();
    w.EndObject();
    return *this;
}

JsonDocument& JsonDocument::Metrics(const std::string& text, const std::string& output) {
    Writer& w = impl_->writer;
    Key(w, "metrics");
    w.StartObject();
    Key(w, "text");
    Text(w, text);
    Key(w, "output");
    if (output.empty()) {
        w.Null();
    } else {
        Text(w, output);
    }
    w.EndObject();
    return *this;
}

JsonDocument& JsonDocument::Version(const std::string& pihost, const std::string& plugin) {
    Writer& w = impl_->writer;
    Key(w, "version");
    w.StartObject();
    Key(w, "pihost");
    Text(w, pihost);
    Key(w, "plugin");
    Text(w, plugin);
    w.EndObject();
    return *this;
}

std::string JsonDocument::Finish() {
    Writer& w = impl_->writer;
    Key(w, "warnings");
    w.StartArray();
    for (const auto& warning : impl_->warnings) {
        Text(w, warning);
    }
    w.EndArray();
    w.EndObject();
    return std::string(impl_->buffer.GetString(), impl_->buffer.GetSize());
}

} // namespace pihost
