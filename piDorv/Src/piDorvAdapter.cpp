#include "piDorvAdapter.h"

#include <cstddef>
#include <iterator>
#include <string>
#include <utility>

#include <rapidjson/allocators.h>
#include <rapidjson/document.h>

#include "codes/CodeNames.h"
#include "lumo/Lumo.h"
#include "orm/RaidDataModels.h"
#include "piDorvCodes.h"
#include "piDorvLogicalDrive.h"
#include "piDorvModule.h"
#include "piDorvOperationDescriptor.h"
#include "piDorvPhysicalDrive.h"
#include "piDorvPropertyList.h"
#include "tlx/Clock.h"
#include "tlx/Json.h"
#include "tlx/ScopeGuard.h"
#include "tlx/Trace.h"

using TLX::Output_Streams::FormatInt;

namespace NAMESPACE_piDorv {
namespace {
const char* const CLIENT_TAG = "Kelto-piDorv";

// The storage device tree command and the fixed size of its answer.
const int STORAGE_TREE_OPCODE = 8624;
const std::uint32_t ANSWER_CAPACITY = 64000;
const std::size_t REQUEST_POOL_CHUNK = 64 * 1024;
const std::int32_t REQUEST_MODE = 5;

// The device holds two SD cards forming one logical drive.
const std::uint64_t MAX_PHYSICAL_DEVICES = 2;
const std::uint64_t MAX_LOGICAL_DRIVES = 1;

const OperationDescriptor ADAPTER_OPERATIONS[] = {
    {Operation::SCAN_CONFIGURATION, 1, 2, 1, 1, false, -1, 1, 1},
    {Operation::GET_RAID_LEVEL_INFORMATION, 4, 1, 1, 1, false, 0, 1, 1},
};

// The library may hand back no text at all; the trace wants one.
const char* textOrEmpty(const char* text) {
    return text != nullptr ? text : "";
}

bool connected(std::uint32_t connectResult) {
    return (connectResult & 0xFFu) != 0;
}

void sayErrorCode() {
    PIDORV_TRACE(16, "sayErrorCode", "Error codes :  %d  message :  %s")
        << FormatInt(static_cast<std::int32_t>(Lumo_GetLastErrorCode())) << textOrEmpty(Lumo_GetLastErrorMessage());
}

// Diagnostic step: the library calls inside the level-16 records are made only while that level is on.
std::int32_t lumoShowProps() {
    const std::int32_t detected = Lumo_Detect();
    PIDORV_TRACE(16, "lumoShowProps", "%s Lumo_Detect :  %d") << "lumoShowProps" << FormatInt(detected);
    sayErrorCode();
    if (detected <= 0) {
        return detected;
    }

    LUMO_SESSION session{};
    PIDORV_TRACE(16, "lumoShowProps", "%s Lumo_Connect :  %d")
        << "lumoShowProps" << FormatInt(static_cast<std::int32_t>(Lumo_Connect(CLIENT_TAG, &session) & 0xFFu));
    sayErrorCode();

    // Closes the diagnostic session; runs also when no connect was made above.
    TLX::Misc::CScopeGuard disconnect([] { Lumo_Disconnect(); });
    PIDORV_TRACE(16, "lumoShowProps", "%s Lumo_GetVersion (0) :  %s")
        << "lumoShowProps" << textOrEmpty(Lumo_GetVersion(0));
    sayErrorCode();
    PIDORV_TRACE(16, "lumoShowProps", "%s Lumo_GetVersion (1) :  %s")
        << "lumoShowProps" << textOrEmpty(Lumo_GetVersion(1));
    sayErrorCode();
    return detected;
}

// {"SIP":{"V":1,"CMD":[{"OC":8624}]}}
std::string storageTreeRequest() {
    rapidjson::MemoryPoolAllocator<> allocator(REQUEST_POOL_CHUNK);
    rapidjson::Document doc(&allocator);
    doc.SetObject();

    rapidjson::Value command(rapidjson::kObjectType);
    command.AddMember("OC", STORAGE_TREE_OPCODE, allocator);
    rapidjson::Value commands(rapidjson::kArrayType);
    commands.PushBack(command, allocator);

    rapidjson::Value envelope(rapidjson::kObjectType);
    envelope.AddMember("V", 1, allocator);
    envelope.AddMember("CMD", commands, allocator);
    doc.AddMember("SIP", envelope, allocator);
    return TLX::Json::JSONToString(doc);
}

CDorvAdapterList firmwareGetFromLumo(std::int32_t detected) {
    if (detected <= 0) {
        PIDORV_TRACE(16, "firmwareGetFromLumo", "%s Lumo_Detect : %d") << "firmwareGetFromLumo" << FormatInt(detected);
        return CDorvAdapterList();
    }

    LUMO_SESSION session{};
    if (!connected(Lumo_Connect(CLIENT_TAG, &session))) {
        PIDORV_TRACE(16, "firmwareGetFromLumo", "%s %s %s")
            << "firmwareGetFromLumo"
            << "Can not connect to Lumo" << textOrEmpty(Lumo_GetLastErrorMessage());
        return CDorvAdapterList();
    }
    TLX::Misc::CScopeGuard disconnect([] { Lumo_Disconnect(); });

    // The request never changes: its document is built and written once.
    static const std::string request = storageTreeRequest();
    PIDORV_TRACE(4, "firmwareGetFromLumo", "%s %s %s") << "firmwareGetFromLumo"
                                                       << "Request data from TAVRIN :" << request;

    // One zero byte beyond the capacity keeps even a completely filled answer a terminated C text.
    std::vector<char> answer(ANSWER_CAPACITY + 1, '\0');
    Lumo_PemraRequest(request.c_str(), static_cast<std::uint32_t>(request.size()), answer.data(), ANSWER_CAPACITY,
                      REQUEST_MODE);
    return parseDorv100JSON(answer.data());
}

// Text members are C texts: an embedded zero ends them.
std::string memberText(const TLX::Json::TJsonObject& element, const char* name) {
    return std::string(element.findMemberValue(name, TLX::Json::JSON_STRING).GetString());
}

TLX::Json::TJsonObject arrayEntry(const TLX::Json::TJsonObject& array, rapidjson::SizeType index) {
    return TLX::Json::TJsonObject(array.jsonDoc_Get(), &array.jsonValue_Get()[index]);
}

// Appends the adapter of one element, once all eight members were read (built in place in the list).
void readAdapter(const TLX::Json::TJsonObject& element, CDorvAdapterList& adapters) {
    std::string firmwareVersion = memberText(element, "FirmwareVersion");
    std::string serialNumber = memberText(element, "SerialNumber");
    std::string product = memberText(element, "Product");
    std::string vendor = memberText(element, "Vendor");
    std::string name = memberText(element, "Name");
    std::string vendorId = memberText(element, "VendorID");
    std::string deviceId = memberText(element, "DeviceID");
    const std::int32_t adapterNumber = element.findMemberValue("AdapterNumber", TLX::Json::JSON_INTEGER).GetInt();

    CDorvAdapter& adapter = adapters.emplace_back();
    adapter.PI::CObject::m_Type = ObjectType::ADAPTER_PARSED;
    adapter.m_FirmwareVersion = std::move(firmwareVersion);
    adapter.m_UniqueID = serialNumber;
    adapter.m_SerialNumber = std::move(serialNumber);
    adapter.m_Product = std::move(product);
    adapter.m_Vendor = std::move(vendor);
    adapter.m_Name = std::move(name);
    adapter.m_VendorID = std::move(vendorId);
    adapter.m_DeviceID = std::move(deviceId);
    adapter.m_AdapterNumber = static_cast<std::int64_t>(adapterNumber);
    adapter.m_Type = ADAPTER_TYPE;
    adapter.m_Status = Value::OK;
    adapter.m_StatusWord2 = 1;
}

// The "%d/%d" text; built directly, as a formatter costs more than the property list around it.
std::string countOfMax(std::size_t count, std::uint64_t maximum) {
    std::string text = std::to_string(count);
    text += '/';
    text += std::to_string(maximum);
    return text;
}

std::int32_t statusDisplay(std::int32_t status) {
    if (status == Value::FAILED) {
        return 24001;
    }
    if (status == Value::WARNING) {
        return 24002;
    }
    return 24000;
}

const std::string& statusText(std::int32_t status) {
    if (status == Value::FAILED || status == Value::WARNING) {
        return CodeNames::ValueName(status);
    }
    return CodeNames::ValueName(Value::OK);
}
} // namespace

bool CDorvAdapter::operator==(const CDorvAdapter& other) const {
    // The USB ids and both adapter numbers take no part.
    return PI::CObject::operator==(other) && m_Type == other.m_Type && m_Name == other.m_Name &&
           m_UniqueID == other.m_UniqueID && m_FirmwareVersion == other.m_FirmwareVersion &&
           m_Product == other.m_Product && m_Vendor == other.m_Vendor && m_SerialNumber == other.m_SerialNumber &&
           m_DriverVersion == other.m_DriverVersion && m_PciBus == other.m_PciBus && m_PciDevice == other.m_PciDevice &&
           m_PciFunction == other.m_PciFunction && m_Status == other.m_Status && m_StatusWord2 == other.m_StatusWord2 &&
           m_AdditionalStatus == other.m_AdditionalStatus && m_Flag == other.m_Flag;
}

bool CDorvAdapter::operator==(const PI::CAdapterID& id) const {
    return static_cast<std::int32_t>(m_PciBus) == id.m_Bus && static_cast<std::int32_t>(m_PciDevice) == id.m_Device &&
           static_cast<std::int32_t>(m_PciFunction) == id.m_Function && id.m_Last != -1;
}

void CDorvAdapter::Update(const CDorvAdapter& other) {
    // The record taken next brings its own counter: a caller that keeps this object's identity hands
    // over a copy of this record with the raised count.
    ++m_UpdateCounter;
    // The member-wise assignment takes the base record first, then every own member in order.
    *this = other;
}

std::uint32_t CDorvAdapter::GetAdapterProperties(std::vector<PI::CProperty>& out,
                                                 const std::vector<CDorvLogicalDrive>& lds,
                                                 const std::vector<CDorvPhysicalDrive>& pds,
                                                 PI::_PROPERTY_ID id) const {
    PIDORV_TRACE(2, "GetAdapterProperties", "ENTER AdapterGetProperties");
    static const std::vector<std::int32_t> hardwareTypeList = {Value::LINUX_MD};
    static const std::vector<std::int32_t> statusList = {Value::OK, Value::WARNING, Value::FAILED};
    static const std::vector<std::int32_t> additionalStatusList = {Value::LOGICAL_DRIVE_FAILED,
                                                                   Value::LOGICAL_DRIVE_DEGRADED};

    out.clear();
    CPropertyList list(out, id, 24);
    list.Add(Property::NAME, m_Name).Label(23081);
    list.Add(Property::VENDOR, m_Vendor).Label(23144);
    list.Add(Property::PRODUCT, m_Product).Label(23102);
    list.Add(Property::TYPE, m_Type).Position(0);
    list.Add(Property::HARDWARE_TYPE, Value::LINUX_MD, hardwareTypeList).Position(0);
    list.Add(Property::FIRMWARE_VERSION, m_FirmwareVersion).Label(23051);
    list.Add(Property::SERIAL_NUMBER, m_SerialNumber).Label(23116);
    list.Add(Property::ADAPTER_NUMBER, AsNumber(m_AdapterNumber)).SubCode(SubProperty::ID).Label(23003);
    list.Add(Property::PCI_SEGMENT, std::uint64_t{0}).SubCode(SubProperty::SEGMENT).Position(0).Label(23134);
    list.Add(Property::PCI_BUS, AsNumber(m_PciBus)).SubCode(SubProperty::BUS).Position(0).Label(23132);
    list.Add(Property::PCI_DEVICE, AsNumber(m_PciDevice)).SubCode(SubProperty::DEVICE).Position(0).Label(23133);
    list.Add(Property::PCI_FUNCTION, AsNumber(m_PciFunction)).SubCode(SubProperty::FUNCTION).Position(0).Label(23135);
    list.Add(Property::VENDOR_ID, m_VendorID).Label(23135);
    list.Add(Property::DEVICE_ID, m_DeviceID).Label(23135);
    list.Add(Property::UNIQUE_ID, m_UniqueID).Position(0);
    list.Add(Property::DRIVER_NAME, ADAPTER_DRIVER_NAME).Label(23041);
    if (!m_DriverVersion.empty()) {
        list.Add(Property::DRIVER_VERSION, m_DriverVersion).Label(23042);
    }
    list.Add(Property::MAX_PHYSICAL_DEVICES, MAX_PHYSICAL_DEVICES)
        .SubCode(SubProperty::PHYSICAL)
        .Position(1)
        .Label(23138);
    list.Add(Property::MAX_LOGICAL_DRIVES, MAX_LOGICAL_DRIVES).SubCode(SubProperty::LOGICAL).Position(1).Label(23136);
    list.Add(Property::CUR_PHYSICAL_DEVICES, AsNumber(pds.size()))
        .SubCode(SubProperty::PHYSICAL)
        .Position(1)
        .Label(23138);
    list.Add(Property::CUR_LOGICAL_DRIVES, AsNumber(lds.size())).SubCode(SubProperty::LOGICAL).Position(1).Label(23136);
    list.Add(Property::CUR_MAX_PHYSICAL_DEVICES, countOfMax(pds.size(), MAX_PHYSICAL_DEVICES))
        .SubCode(SubProperty::PHYSICAL)
        .Position(2)
        .Label(23138);
    list.Add(Property::CUR_MAX_LOGICAL_DRIVES, countOfMax(lds.size(), MAX_LOGICAL_DRIVES))
        .SubCode(SubProperty::LOGICAL)
        .Position(2)
        .Label(23136);
    list.Add(Property::STATUS, m_Status, statusList).StatusDisplay(statusDisplay(m_Status)).Label(23127);
    if (!m_AdditionalStatus.empty()) {
        list.Add(Property::ADDITIONAL_STATUS, m_AdditionalStatus, additionalStatusList).Label(23004);
    }

    PIDORV_TRACE(2, "GetAdapterProperties", "LEAVE AdapterGetProperties -> %d") << FormatInt(std::int32_t{0});
    return Status::SUCCESS;
}

std::uint32_t CDorvAdapter::SetAdapterProperty(PI::CProperty& /*property*/) {
    // No adapter property can be changed.
    return Status::INVALID_PROPERTY;
}

std::uint32_t CDorvAdapter::GetAdapterOperations(std::vector<PI::COperation>& out) const {
    out.clear();
    out.reserve(std::size(ADAPTER_OPERATIONS));
    for (const OperationDescriptor& row : ADAPTER_OPERATIONS) {
        out.push_back(MakeOperation(row));
    }
    return Status::SUCCESS;
}

std::uint32_t CDorvAdapter::CheckAdapterOperation(PI::COperation& op) const {
    PIDORV_TRACE(2, "CheckAdapterOperation", "ENTER CheckAdapterOperation operation=%d") << FormatInt(op.m_Code);
    PIDORV_TRACE(2, "CheckAdapterOperation", "LEAVE CheckAdapterOperation -> %d") << FormatInt(std::int32_t{0});
    return Status::SUCCESS;
}

std::uint32_t CDorvAdapter::ExecuteAdapterOperation(PI::COperation& op, std::function<void(const PI::CEvent&)> notify) {
    PIDORV_TRACE(2, "ExecuteAdapterOperation", "ENTER ExecuteAdapterOperation(%d)") << FormatInt(op.m_Code);
    std::uint32_t status = Status::SUCCESS;
    if (op.m_Code == Operation::GET_RAID_LEVEL_INFORMATION) {
        status = GetRaidLevelInformation(op);
    } else if (op.m_Code == Operation::SCAN_CONFIGURATION) {
        PI::CEvent event(m_ID, Event::SCAN_CONFIGURATION, 2, TLX::Misc::now(), m_Name);
        event.SetPlaceHolder1(m_Name);
        notify(event);
    } else {
        PIDORV_TRACE(16, "ExecuteAdapterOperation", "ExecuteAdapterOperation() OpCode(%d)") << FormatInt(op.m_Code);
        status = Status::INVALID_OPERATION;
    }
    PIDORV_TRACE(2, "ExecuteAdapterOperation", "LEAVE AdapterExecuteOperation() -> %d") << FormatInt(status);
    return status;
}

void CDorvAdapter::SetDatabaseObjectProperties(RaidDataModels::Adapter& model) const {
    PIDORV_TRACE(2, "SetDatabaseObjectProperties", "ENTER SetDatabaseObjectProperties (Adapter)");
    model = RaidDataModels::Adapter();
    model.PciBus = static_cast<int>(m_PciBus);
    model.m39 = 0;
    model.m40 = 0;
    model.PciDevice = static_cast<int>(m_PciDevice);
    model.DeviceID = m_DeviceID;
    model.DriverName = ADAPTER_DRIVER_NAME;
    if (!m_DriverVersion.empty()) {
        model.DriverVersion = m_DriverVersion;
    }
    model.FirmwareVersion = m_FirmwareVersion;
    model.PciFunction = static_cast<int>(m_PciFunction);
    model.GlobalAdapterNumber = static_cast<int>(m_GlobalAdapterNumber);
    model.HardwareType = CodeNames::ValueName(Value::LINUX_MD);
    model.HostName = HOST_NAME;
    model.ObjectID = static_cast<unsigned long>(m_ID);
    model.MaxPhysicalDevices = static_cast<int>(MAX_PHYSICAL_DEVICES);
    model.MaxLogicalDrives = static_cast<int>(MAX_LOGICAL_DRIVES);
    model.Name = m_Name;
    model.Product = m_Product;
    model.DeviceTypes = std::vector<std::string>{CodeNames::ValueName(Value::SD)};
    model.PciSegment = 0;
    model.SerialNumber = m_SerialNumber;
    model.Status = statusText(m_Status);
    model.Type = m_Type;
    model.UniqueID = m_UniqueID;
    model.VendorID = m_VendorID;
}

namespace {
template <class List, class Match> auto findFirst(List& list, Match match) -> typename List::value_type {
    for (auto& adapter : list) {
        if (adapter && match(*adapter)) {
            return adapter;
        }
    }
    return typename List::value_type();
}
} // namespace

std::shared_ptr<const CDorvAdapter> findAdapter(const CDorvAdapterPtrList& list, std::uint64_t id) {
    return findFirst(list, [id](const CDorvAdapter& a) { return a.m_ID == id; });
}

std::shared_ptr<CDorvAdapter> findMutableAdapter(CDorvAdapterPtrList& list, std::uint64_t id) {
    return findFirst(list, [id](const CDorvAdapter& a) { return a.m_ID == id; });
}

std::shared_ptr<const CDorvAdapter> findAdapterById(const CDorvAdapterPtrList& list, const std::string& uniqueId) {
    return findFirst(list, [&uniqueId](const CDorvAdapter& a) { return a.m_UniqueID == uniqueId; });
}

std::shared_ptr<CDorvAdapter> findMutableAdapterById(CDorvAdapterPtrList& list, const std::string& uniqueId) {
    return findFirst(list, [&uniqueId](const CDorvAdapter& a) { return a.m_UniqueID == uniqueId; });
}

std::shared_ptr<const CDorvAdapter> findAdapter(const CDorvAdapterPtrList& list, const PI::CAdapterID& id) {
    return findFirst(list, [&id](const CDorvAdapter& a) { return a == id; });
}

std::shared_ptr<CDorvAdapter> findMutableAdapter(CDorvAdapterPtrList& list, const PI::CAdapterID& id) {
    return findFirst(list, [&id](const CDorvAdapter& a) { return a == id; });
}

CDorvAdapterList parseDorv100JSON(const char* answer) {
    const char* text = textOrEmpty(answer);
    PIDORV_TRACE(4, "parseDorv100JSON", "%s %s %s") << "parseDorv100JSON"
                                                    << "JSON to parse :" << text;
    CDorvAdapterList adapters;
    try {
        std::string treeText;
        {
            // The envelope goes before the tree is parsed: only one document is held at a time.
            const TLX::Json::TJsonObject envelope = TLX::Json::TJsonObject::constructFromParse(text);
            const TLX::Json::TJsonObject commands =
                envelope.findMember("SIP", TLX::Json::JSON_OBJECT).findMember("CMD", TLX::Json::JSON_ARRAY);
            const rapidjson::SizeType commandCount = commands.jsonValue_Get().Size();
            if (commandCount == 0) {
                PIDORV_TRACE(16, "parseDorv100JSON", "%s %s") << "parseDorv100JSON"
                                                              << "ERROR: Found no CMD in response";
                return adapters;
            }
            if (commandCount > 1) {
                PIDORV_TRACE(16, "parseDorv100JSON", "%s %s %d")
                    << "parseDorv100JSON"
                    << "ERROR: Found more CMDs then expected! Dont know what to do"
                    << FormatInt(static_cast<std::uint32_t>(commandCount));
                return adapters;
            }
            treeText = arrayEntry(commands, 0).findMember("DA", TLX::Json::JSON_STRING).jsonValue_Get().GetString();
        }
        const TLX::Json::TJsonObject tree = TLX::Json::TJsonObject::constructFromParseInsitu(std::move(treeText));
        const TLX::Json::TJsonObject elements = tree.findMember("TavrinStorageDeviceTree", TLX::Json::JSON_OBJECT)
                                                    .findMember("Adapter", TLX::Json::JSON_ARRAY);
        const rapidjson::SizeType count = elements.jsonValue_Get().Size();
        adapters.reserve(count);
        for (rapidjson::SizeType i = 0; i < count; ++i) {
            readAdapter(arrayEntry(elements, i), adapters);
        }
    } catch (const TLX::Json::TJsonException&) {
        // An unreadable answer or element ends the parse; what was read before it stays.
    }
    return adapters;
}

CDorvAdapterList adaptersGet() {
    const std::int32_t detected = lumoShowProps();
    return firmwareGetFromLumo(detected);
}
} // namespace NAMESPACE_piDorv
