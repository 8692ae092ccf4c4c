// The adapter: the device-tree answer read into adapters, the controller exchange as the link library
// and the trace see it, and the adapter as a shown object with its row.
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <new>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "lumo/Lumo.h"
#include "orm/RaidDataModels.h"
#include "piDorv/Src/piDorvAdapter.h"
#include "piDorv/Src/piDorvLogicalDrive.h"
#include "piDorv/Src/piDorvPhysicalDrive.h"
#include "support/ObjectText.h"
#include "support/SmallStack.h"
#include "support/TraceCapture.h"

// Allocations of exactly g_FailingSize bytes fail while it is non-zero. The replacements pair malloc
// with free themselves; GCC cannot see that through the inlined calls.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
namespace {
std::size_t g_FailingSize = 0;
} // namespace
void* operator new(std::size_t size) {
    void* p = g_FailingSize != 0 && size == g_FailingSize ? nullptr : std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    return p;
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {
using Lines = std::vector<std::string>;
using NAMESPACE_piDorv::adaptersGet;
using NAMESPACE_piDorv::CDorvAdapter;
using NAMESPACE_piDorv::parseDorv100JSON;
using test_support::Describe;

using test_support::operator+;

std::string Serial(int n) {
    return "8A3F0C21D94E4B7A9E6155C2F0B13D0" + std::to_string(n);
}

// One "Adapter" element; a change "member=value" gives a member another raw JSON value, a bare member
// name drops it.
std::string Element(int n, const Lines& changes = {}) {
    std::string out = std::regex_replace(R"j({"@Nr":#,"Name":"Dorv100 Dual SD (#)","Product":"Dorv100 Dual SD",)j"
                                         R"j("Vendor":"Kelto","FirmwareVersion":"1.5 (LPC), 1.7 (FX3S)",)j"
                                         R"("SerialNumber":"8A3F0C21D94E4B7A9E6155C2F0B13D0#","VendorID":"0x7A11",)"
                                         R"("DeviceID":"0x0D10","AdapterNumber":#})",
                                         std::regex("#"), std::to_string(n));
    for (const std::string& change : changes) {
        const std::size_t is = change.find('=');
        const std::string member = ",\"" + change.substr(0, is) + "\":";
        const std::string value = is == std::string::npos ? "" : member + change.substr(is + 1);
        out = std::regex_replace(out, std::regex(member + "(\"[^\"]*\"|[0-9]+)"), value);
    }
    return out;
}

std::string Tree(const Lines& elements) {
    std::string array;
    for (const std::string& e : elements) {
        array += (array.empty() ? "" : ",") + e;
    }
    return R"({"TavrinStorageDeviceTree":{"@Version":1,"@Status":"OK","Adapter":[)" + array + "]}}";
}

// An answer envelope whose "DA" carries `tree` as a JSON string.
std::string Envelope(const std::string& tree, int status = 0, int opcode = 8624) {
    rapidjson::StringBuffer da;
    rapidjson::Writer<rapidjson::StringBuffer> w(da);
    w.String(tree.data(), static_cast<rapidjson::SizeType>(tree.size()));
    return R"({"SIP":{"V":1,"CMD":[{"OC":)" + std::to_string(opcode) + R"(,"ST":)" + std::to_string(status) +
           R"(,"DA":)" + da.GetString() + R"(,"MI":196613}]}})";
}

// The device-tree answer ----------------------------------------------------------------------------

TEST(DeviceTreeParse, FullAnswerGivesItsAdaptersInOrder) {
    const auto adapters = parseDorv100JSON(
        Envelope(Tree({Element(0), Element(1, {"AdapterNumber=-1", R"(Name="Dorv\u0000hidden")"})})).c_str());
    ASSERT_EQ(2u, adapters.size());
    // The texts read are shown by the object tests below; these are not.
    const CDorvAdapter& a = adapters[0];
    EXPECT_EQ(std::make_tuple(19051, 1, 0ul), std::make_tuple(a.PI::CObject::m_Type, a.m_StatusWord2, a.m_ID));
    EXPECT_EQ(std::make_tuple("0x7A11", "0x0D10", 0l, 0u),
              std::make_tuple(a.m_VendorID, a.m_DeviceID, a.m_AdapterNumber, a.m_GlobalAdapterNumber));
    // a number keeps its sign, a text ends at a zero
    EXPECT_EQ(std::make_tuple(0xFFFFFFFFFFFFFFFFull, "Dorv", Serial(1)),
              std::make_tuple(std::uint64_t(adapters[1].m_AdapterNumber), adapters[1].m_Name, adapters[1].m_UniqueID));
    // The answer's status and operation code are not looked at.
    EXPECT_EQ(1u, parseDorv100JSON(Envelope(Tree({Element(0)}), 9, 1234).c_str()).size());
}

TEST(DeviceTreeParse, UnreadableAnswersGiveNoAdapter) {
    const std::string tree = Tree({Element(0)});
    const std::string texts[] = {
        "", "garbage{", R"({"PIS":{"V":1,"CMD":[]}})", R"({"SIP":{"V":1,"CMD":{"OC":8624}}})",
        R"({"SIP":{"V":1,"CMD":[]}})", R"({"SIP":{"V":1,"CMD":[5]}})", R"({"SIP":{"V":1,"CMD":[{"OC":8624,"ST":0}]}})",
        Envelope("{\"TavrinStorageDeviceTree\":"), Envelope(R"({"TavrinStorageDeviceTree":{"Adapter":{}}})"),
        Envelope(R"({"TavrinStorageDeviceTree":{"Adapter":[]}})"),
        Envelope(R"({"TavrinStorageDeviceTree":{"Adapter":["x"]}})"),
        // a zero inside "DA"
        Envelope(tree.substr(0, 30) + std::string(1, '\0') + tree.substr(30)),
        // nesting as deep as a whole answer buffer can hold, read with a small stack
        std::string(64000, '['), Envelope(std::string(63900, '['))};
    const test_support::TraceCapture trace(0xFFFFFFFFu); // every record written on the way
    test_support::RunOnSmallStack([&] {
        for (const std::string& text : texts) {
            EXPECT_TRUE(parseDorv100JSON(text.c_str()).empty()) << text.substr(0, 80);
        }
    });
    EXPECT_TRUE(parseDorv100JSON(nullptr).empty());
}

// An element is taken only when all eight members were read: a missing or mistyped one ends the list.
TEST(DeviceTreeParse, ElementLackingAMemberOrOfWrongTypeEndsTheList) {
    const Lines changes({"FirmwareVersion", "SerialNumber", "Product", "Vendor", "Name", "VendorID", "DeviceID",
                         "AdapterNumber", "AdapterNumber=\"1\"", "AdapterNumber=1.5", "VendorID=4660",
                         "SerialNumber=null", "AdapterNumber=4294967296", "Name=[\"x\"]"});
    for (const std::string& change : changes) {
        const auto adapters = parseDorv100JSON(Envelope(Tree({Element(0), Element(1, {change}), Element(2)})).c_str());
        ASSERT_EQ(1u, adapters.size()) << change;
        EXPECT_EQ(Serial(0), adapters[0].m_UniqueID);
    }
}

// The controller exchange --------------------------------------------------------------------------

const std::string REQUEST = R"({"SIP":{"V":1,"CMD":[{"OC":8624}]}})";
const std::string CONNECT = "Lumo_Connect Kelto-piDorv";
const Lines SESSION = {CONNECT, "Lumo_PemraRequest 35 64000 5 " + REQUEST, "Lumo_Disconnect"};

// At level 16 each diagnostic call is followed by the reads of the last error ...
Lines WithErrorReads(const Lines& calls) {
    Lines out;
    for (const std::string& call : calls) {
        out = out + Lines{call, "Lumo_GetLastErrorCode", "Lumo_GetLastErrorMessage"};
    }
    return out;
}
// ... and its record by the record of that error.
Lines Shown(const std::string& what, const std::string& error = "0  message :  OK") {
    return {"10 lumoShowProps lumoShowProps " + what, "10 sayErrorCode Error codes :  " + error};
}

// A plain controller emulator that logs its calls, the trace captured.
class ControllerLink : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"LUMO_DEVICE_TREE", "LUMO_FAULT", "LUMO_CALL_LOG"}) {
            unsetenv(name);
        }
        LumoEmu_Reset();
        std::remove(m_CallLog.c_str());
        LumoEmu_CallLog(m_CallLog.c_str());
    }
    void TearDown() override {
        LumoEmu_Reset();
        std::remove(m_CallLog.c_str());
    }
    // The library calls since the last look.
    Lines TakeCalls() const {
        Lines lines;
        std::ifstream in(m_CallLog);
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        std::remove(m_CallLog.c_str());
        return lines;
    }
    // The records since the last look, as level, function and message; all come from the adapter module.
    Lines TakeTrace() {
        Lines trace;
        for (const test_support::TraceRecord& r : m_Trace.Records()) {
            trace.push_back(r.level + " " + r.function + " " + r.message);
            EXPECT_EQ("piDorv/Src/piDorvAdapter", r.source);
        }
        m_Trace.Clear();
        return trace;
    }
    static void SetMask(std::uint32_t mask) { NAMESPACE_piDorv::TLX_MODULE_INFO_piDorv.SetTraceMask(mask); }

    test_support::TraceCapture m_Trace{0};
    const std::string m_CallLog = ::testing::TempDir() + "adapter_calls_" + std::to_string(getpid()) + ".log";
};

// Every trace text of the module, with the library calls made on the way.
TEST_F(ControllerLink, CallsAndTraceOfEveryOutcome) {
    const Lines diagnosticCalls =
        WithErrorReads({"Lumo_Detect", CONNECT, "Lumo_GetVersion 0", "Lumo_GetVersion 1"}) + Lines{"Lumo_Disconnect"};
    const Lines versions = Shown("Lumo_GetVersion (0) :  LumoEmu 1.0") + Shown("Lumo_GetVersion (1) :  Protocol 1");
    const Lines diagnosticTrace = Shown("Lumo_Detect :  1") + Shown("Lumo_Connect :  1") + versions;
    const std::string noCommand = R"({"SIP":{"V":1,"CMD":[]}})";
    const std::string entry = R"({"OC":8624,"ST":0,"DA":"{}"})";
    struct Row {
        const char* fault;
        std::string answer; // "" for the built-in sample
        std::uint32_t mask;
        std::size_t adapters;
        Lines calls;
        Lines trace;
    };
    const Row rows[] = {
        {"none", "", 0, 1, Lines{"Lumo_Detect", "Lumo_Disconnect"} + SESSION, {}},
        {"none", noCommand, 16 | 4, 0, diagnosticCalls + SESSION,
         diagnosticTrace + Lines{"4 firmwareGetFromLumo firmwareGetFromLumo Request data from TAVRIN : " + REQUEST,
                                 "4 parseDorv100JSON parseDorv100JSON JSON to parse : " + noCommand,
                                 "10 parseDorv100JSON parseDorv100JSON ERROR: Found no CMD in response"}},
        {"none", R"({"SIP":{"V":1,"CMD":[)" + entry + "," + entry + "," + entry + "]}}", 16, 0,
         diagnosticCalls + SESSION,
         diagnosticTrace + Lines{"10 parseDorv100JSON parseDorv100JSON ERROR: Found more CMDs then expected! Dont "
                                 "know what to do 3"}},
        {"no-controller", "", 0, 0, {"Lumo_Detect"}, {}},
        {"no-controller", "", 16, 0, WithErrorReads({"Lumo_Detect"}),
         Shown("Lumo_Detect :  0", "1  message :  No management controller found") +
             Lines{"10 firmwareGetFromLumo firmwareGetFromLumo Lumo_Detect : 0"}},
        // a failed working connect is not followed by a disconnect
        {"connect-fails", "", 0, 0, {"Lumo_Detect", "Lumo_Disconnect", CONNECT}, {}},
        {"connect-fails", "", 16, 0, diagnosticCalls + Lines{CONNECT, "Lumo_GetLastErrorMessage"},
         Shown("Lumo_Detect :  1") +
             Shown("Lumo_Connect :  0", "2  message :  Management controller refused the connection") + versions +
             Lines{"10 firmwareGetFromLumo firmwareGetFromLumo Can not connect to Lumo Management controller refused "
                   "the connection"}},
        // an empty answer still closes the session
        {"empty-answer", "", 0, 0, Lines{"Lumo_Detect", "Lumo_Disconnect"} + SESSION, {}}};
    for (const Row& row : rows) {
        SCOPED_TRACE("row " + std::to_string(&row - rows));
        SetMask(row.mask);
        LumoEmu_SetFaults(row.fault);
        LumoEmu_SetAnswer(row.answer.c_str());
        EXPECT_EQ(row.adapters, adaptersGet().size());
        EXPECT_EQ(row.calls, TakeCalls());
        EXPECT_EQ(row.trace, TakeTrace());
    }

    // The adapter object; every operation passes the check.
    CDorvAdapter adapter;
    std::vector<PI::CProperty> properties;
    RaidDataModels::Adapter model;
    PI::COperation check(12345), scan(50007), unknown(50000);
    const auto notify = [](const PI::CEvent&) {};
    SetMask(2 | 16);
    EXPECT_EQ((std::vector<std::uint32_t>{0, 0, 0, 20005}),
              (std::vector<std::uint32_t>{
                  adapter.GetAdapterProperties(properties, {}, {}, 30007), adapter.CheckAdapterOperation(check),
                  adapter.ExecuteAdapterOperation(scan, notify), adapter.ExecuteAdapterOperation(unknown, notify)}));
    adapter.SetDatabaseObjectProperties(model);
    EXPECT_EQ((Lines{"2 GetAdapterProperties ENTER AdapterGetProperties",
                     "2 GetAdapterProperties LEAVE AdapterGetProperties -> 0",
                     "2 CheckAdapterOperation ENTER CheckAdapterOperation operation=12345",
                     "2 CheckAdapterOperation LEAVE CheckAdapterOperation -> 0",
                     "2 ExecuteAdapterOperation ENTER ExecuteAdapterOperation(50007)",
                     "2 ExecuteAdapterOperation LEAVE AdapterExecuteOperation() -> 0",
                     "2 ExecuteAdapterOperation ENTER ExecuteAdapterOperation(50000)",
                     "10 ExecuteAdapterOperation ExecuteAdapterOperation() OpCode(50000)",
                     "2 ExecuteAdapterOperation LEAVE AdapterExecuteOperation() -> 20005",
                     "2 SetDatabaseObjectProperties ENTER SetDatabaseObjectProperties (Adapter)"}),
              TakeTrace());
}

// The answer buffer holds 64000 bytes: an answer of that size is read whole, a longer one is cut there.
TEST_F(ControllerLink, AnswerIsReadUpToTheBufferSize) {
    SetMask(4);
    const std::size_t fill = 64000 - Envelope(Tree({Element(0, {"Name=\"\""})})).size();
    for (std::size_t extra : {0, 1}) {
        const std::string answer = Envelope(Tree({Element(0, {"Name=\"" + std::string(fill + extra, 'N') + "\""})}));
        LumoEmu_SetAnswer(answer.c_str());
        m_Trace.Clear();
        EXPECT_EQ(extra == 0 ? 1u : 0u, adaptersGet().size()) << extra;
        EXPECT_EQ("parseDorv100JSON JSON to parse : " + answer.substr(0, 64000), m_Trace.Messages("4").back());
    }
}

TEST_F(ControllerLink, ExceptionAfterConnectStillDisconnects) {
    g_FailingSize = 64001; // the answer buffer and its closing zero
    EXPECT_THROW(adaptersGet(), std::bad_alloc);
    g_FailingSize = 0;
    EXPECT_EQ((Lines{"Lumo_Detect", "Lumo_Disconnect", CONNECT, "Lumo_Disconnect"}), TakeCalls());
}

// The shown object ---------------------------------------------------------------------------------

CDorvAdapter ParsedAdapter() {
    return parseDorv100JSON(Envelope(Tree({Element(0)})).c_str()).at(0);
}

Lines Properties(const CDorvAdapter& a, PI::_PROPERTY_ID id, std::size_t lds = 0, std::size_t pds = 0) {
    const std::vector<NAMESPACE_piDorv::CDorvLogicalDrive> logical(lds, NAMESPACE_piDorv::CDorvLogicalDrive(nullptr));
    const std::vector<NAMESPACE_piDorv::CDorvPhysicalDrive> physical(pds);
    std::vector<PI::CProperty> out(2); // emptied first
    EXPECT_EQ(0u, a.GetAdapterProperties(out, logical, physical, id));
    return Describe(out);
}

TEST(AdapterObject, PropertiesInTableOrder) {
    CDorvAdapter a = ParsedAdapter();
    a.m_DriverVersion = "4.2";
    a.m_AdditionalStatus = {40266};
    a.m_AdapterNumber = -1; // shown unsigned
    a.m_PciBus = 3;
    a.m_PciDevice = 4;
    a.m_PciFunction = 5;
    const Lines expected =
        Lines({"30007 label=23081 'Dorv100 Dual SD (0)'", "30003 label=23144 'Kelto'",
               "30063 label=23102 'Dorv100 Dual SD'", "30056 pos=0 'Dorv'", "30158 pos=0 40278 of {40278}",
               "30020 label=23051 '1.5 (LPC), 1.7 (FX3S)'", "30022 label=23116 '8A3F0C21D94E4B7A9E6155C2F0B13D00'",
               "30120 sub=35023 label=23003 #18446744073709551615", "30479 sub=35039 pos=0 label=23134 #0",
               "30037 sub=35016 pos=0 label=23132 #3", "30038 sub=35020 pos=0 label=23133 #4",
               "30039 sub=35022 pos=0 label=23135 #5"}) +
        Lines({"30177 label=23135 '0x7A11'", "30179 label=23135 '0x0D10'",
               "30137 pos=0 '8A3F0C21D94E4B7A9E6155C2F0B13D00'", "30266 label=23041 'USB'", "30018 label=23042 '4.2'",
               "30075 sub=35028 pos=1 label=23138 #2", "30076 sub=35025 pos=1 label=23136 #1",
               "30273 sub=35028 pos=1 label=23138 #2", "30274 sub=35025 pos=1 label=23136 #1",
               "30277 sub=35028 pos=2 label=23138 '2/2'", "30278 sub=35025 pos=2 label=23136 '1/1'",
               "30017 label=23127 sd=24000 40024 of {40024,40150,40095}",
               "30165 label=23004 {40266} of {40267,40266}"});
    EXPECT_EQ(expected, Properties(a, 1, 1, 2));
    EXPECT_EQ(Lines{expected[7]}, Properties(a, 30120)); // one code gives its row only
    EXPECT_EQ(Lines{expected[22]}, Properties(a, 30278, 1));

    // The driver version and the additional status only when set; without drives the counts are zero.
    a = ParsedAdapter();
    for (PI::_PROPERTY_ID absent : {30018, 30165, 30999, 0}) {
        EXPECT_TRUE(Properties(a, absent).empty()) << absent;
    }
    const Lines plain = Properties(a, 1);
    ASSERT_EQ(23u, plain.size());
    EXPECT_EQ((Lines{"30273 sub=35028 pos=1 label=23138 #0", "30274 sub=35025 pos=1 label=23136 #0",
                     "30277 sub=35028 pos=2 label=23138 '0/2'", "30278 sub=35025 pos=2 label=23136 '0/1'"}),
              Lines(plain.begin() + 18, plain.begin() + 22));
}

TEST(AdapterObject, StatusShownAndStoredAndTheRowValues) {
    const std::tuple<std::int32_t, const char*, const char*> rows[] = {{40095, "sd=24001 40095", "FAILED"},
                                                                       {40150, "sd=24002 40150", "WARNING"},
                                                                       {40024, "sd=24000 40024", "OK"},
                                                                       {12, "sd=24000 12", "OK"}};
    for (const auto& [status, shown, stored] : rows) {
        CDorvAdapter a = ParsedAdapter();
        a.m_Status = status;
        EXPECT_EQ(Lines{"30017 label=23127 " + std::string(shown) + " of {40024,40150,40095}"}, Properties(a, 30017));
        RaidDataModels::Adapter row;
        a.SetDatabaseObjectProperties(row);
        EXPECT_EQ(stored, row.Status);
    }
    CDorvAdapter a = ParsedAdapter();
    a.m_ID = 0x0136000000000001ull;
    a.m_GlobalAdapterNumber = 6;
    a.m_PciBus = 0x100000003ll;
    a.m_PciDevice = 4;
    a.m_PciFunction = 5;
    RaidDataModels::Adapter row;
    row.m1 = "left over";
    row.DriverVersion = "old";
    row.ID = 42;
    a.SetDatabaseObjectProperties(row);
    EXPECT_EQ(std::make_tuple(3, 4, 5, 6, 0, 0, 0, 0x0136000000000001ul, 2, 1),
              std::make_tuple(row.PciBus, row.PciDevice, row.PciFunction, row.GlobalAdapterNumber, row.PciSegment,
                              row.m39, row.m40, row.ObjectID, row.MaxPhysicalDevices, row.MaxLogicalDrives));
    EXPECT_EQ((Lines{"0x0D10", "USB", "NULL", "1.5 (LPC), 1.7 (FX3S)", "LINUX_MD", "localhost", "Dorv100 Dual SD (0)",
                     "Dorv100 Dual SD", Serial(0), "OK", "Dorv", Serial(0), "0x7A11", "SD"}),
              (Lines{row.DeviceID, row.DriverName, row.DriverVersion, row.FirmwareVersion, row.HardwareType,
                     row.HostName, row.Name, row.Product, row.SerialNumber, row.Status, row.Type, row.UniqueID,
                     row.VendorID, row.DeviceTypes.at(0)}));
    // reset first; the row key and everything not written stay at their defaults
    EXPECT_EQ(std::make_tuple(std::string("NULL"), INT_MIN, -1, ULONG_MAX, 1ul),
              std::make_tuple(row.m1, row.ID, row.m71, row.m146, row.DeviceTypes.size()));
    a.m_DriverVersion = "5.1";
    a.SetDatabaseObjectProperties(row);
    EXPECT_EQ("5.1", row.DriverVersion);
}

// Every other member counts, and Update takes it.
TEST(AdapterObject, EqualityComparesAllButNumbersAndUsbIds) {
    const CDorvAdapter a = ParsedAdapter();
    CDorvAdapter b = a;
    b.m_GlobalAdapterNumber = 9;
    b.m_AdapterNumber = 4;
    b.m_VendorID = "0x0000";
    b.m_DeviceID = "0xFFFF";
    EXPECT_TRUE(a == b && a.Equal(b) && !(a != b) && !a.Unequal(b));
    test_support::ExpectEachChangeCountsAndIsTaken<CDorvAdapter>(
        a, {[](auto& x) { x.m_ID = 0x0136000000000001ull; }, [](auto& x) { x.m_Type = "Dorw"; },
            [](auto& x) { x.m_Name += " "; }, [](auto& x) { x.m_UniqueID = "1"; },
            [](auto& x) { x.m_FirmwareVersion = "1.6"; }, [](auto& x) { x.m_Product.clear(); },
            [](auto& x) { x.m_Vendor = "kelto"; }, [](auto& x) { x.m_SerialNumber.push_back('\0'); },
            [](auto& x) { x.m_DriverVersion = "1"; }, [](auto& x) { x.m_PciBus = 1; },
            [](auto& x) { x.m_PciDevice = 1; }, [](auto& x) { x.m_PciFunction = 1; },
            [](auto& x) { x.m_Status = 40095; }, [](auto& x) { x.m_StatusWord2 = 2; },
            [](auto& x) { x.m_AdditionalStatus.push_back(40267); }, [](auto& x) { x.m_Flag = true; }});
    // A location matches only once the identifier's last number is set.
    PI::CAdapterID location("", 0, 0, 0);
    EXPECT_FALSE(CDorvAdapter() == location);
    location.m_Last = 1;
    EXPECT_TRUE(CDorvAdapter() == location);
}

TEST(AdapterObject, OperationsAndOnlyScanConfigurationNotifies) {
    std::vector<PI::COperation> ops = {PI::COperation(50000), PI::COperation(50001), PI::COperation(50002)};
    EXPECT_EQ(0u, ParsedAdapter().GetAdapterOperations(ops)); // replaces what the list held
    EXPECT_EQ((Lines{"50007 kind=1 block={2,1,1,1,-1,1}", "50003 kind=4 block={1,1,1,1,0,1}"}), Describe(ops));

    CDorvAdapter a = ParsedAdapter();
    a.m_ID = 0x0136000000000001ull;
    std::vector<PI::CEvent> events;
    const auto collect = [&](const PI::CEvent& e) { events.push_back(e); };
    PI::COperation scan(50007);
    a.ExecuteAdapterOperation(scan, collect);
    ASSERT_EQ(1u, events.size());
    const PI::CEvent& e = events[0];
    EXPECT_EQ(std::make_tuple(0x0136000000000001ul, 10132, 2, a.m_Name, a.m_Name, std::string()),
              std::make_tuple(e.m_SourceID, e.m_Code, e.m_Code2, e.m_SourceName, e.m_PlaceHolder1, e.m_PlaceHolder2));
    EXPECT_GT(e.m_Time, 0);
    EXPECT_THROW(a.ExecuteAdapterOperation(scan, nullptr), std::bad_function_call);

    PI::COperation unknown(50000), levels(50003); // the levels themselves: RaidLevel tests
    a.ExecuteAdapterOperation(unknown, collect);
    EXPECT_EQ(0u, a.ExecuteAdapterOperation(levels, collect));
    EXPECT_EQ(std::make_pair(1ul, 1ul), std::make_pair(levels.m_Levels.size(), events.size()));
    PI::CProperty name(30007, true);
    name.SetValue("renamed");
    EXPECT_EQ(20004u, a.SetAdapterProperty(name)); // nothing can be set
    EXPECT_EQ(a.m_Name, ParsedAdapter().m_Name);
}
} // namespace
