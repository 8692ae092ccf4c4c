// Trace records: the mask, the printf-style fields and the one whole line each record is written as.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <regex>

#include "tlx/Trace.h"

using TLX::Output_Streams::FormatInt;

namespace {
TLX::Misc::CModuleInfo& Module() {
    static TLX::Misc::CModuleInfo s_Module(310, "piDorv", "P:7.12.1 F:7.12.1", nullptr, nullptr);
    return s_Module;
}

// Sends the trace to a file of its own while it lives, with the module's mask set.
struct TraceFile {
    explicit TraceFile(std::uint32_t mask) {
        Module().SetTraceMask(mask);
        TLX::Internals::SetTraceFile(path);
    }
    ~TraceFile() {
        TLX::Internals::SetTraceFile("");
        std::remove(path.c_str());
    }
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        std::ifstream in(path);
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }
    const std::string path = ::testing::TempDir() + "tlx_trace_" + std::to_string(::getpid()) + ".log";
};

// The message of the one record that `args` fill into `format`.
template <typename... Args> std::string Message(const char* format, const Args&... args) {
    const TraceFile trace(4);
    (void)(TLX::Output_Streams::CFormatStream(TLX::Internals::CTraceStreamBuffer(4, Module(), "f", "Fn", 1), format)
           << ... << args);
    const auto lines = trace.Lines();
    return lines.size() == 1 ? lines[0].substr(lines[0].rfind('\t') + 1) : std::to_string(lines.size()) + " lines";
}
} // namespace

TEST(Trace, MaskComesFromTheEnvironmentAndIsZeroWithout) {
    const std::pair<const char*, std::uint32_t> masks[] = {
        {"0x14", 0x14u}, {"128", 128u}, {" 0X40000000 ", 0x40000000u}, {"0xffffffff", 0xffffffffu}};
    for (const auto& [text, mask] : masks) {
        ::setenv("TLX_TRACE_MASK", text, 1);
        EXPECT_EQ(mask, TLX::Misc::CModuleInfo(1, "m", "v", nullptr, nullptr).GetTraceMask()) << text;
    }
    ::unsetenv("TLX_TRACE_MASK");
    EXPECT_EQ(0u, TLX::Misc::CModuleInfo(1, "m", "v", nullptr, nullptr).GetTraceMask());
}

// The fields the plugin's formats use; a field without an argument stays as written, an argument
// without a field is dropped, and a record stays on one line.
TEST(Trace, FieldsAreFilledInOrder) {
    EXPECT_EQ("0x136000000000001 -5 4294967295 (null) disk gone",
              Message("0x%x %d %d %s %S", FormatInt(std::uint64_t{0x0136000000000001}), FormatInt(std::int32_t{-5}),
                      FormatInt(4294967295u), static_cast<const char*>(nullptr),
                      TLX::Exceptions::CErrorLog("disk gone")));
    EXPECT_EQ("a=1 b=%s 100%", Message("a=%d b=%s 100%%", FormatInt(1)));
    EXPECT_EQ("1", Message("%d", FormatInt(1), "extra"));
    EXPECT_EQ("crashed!  a b  c", Message("crashed!\n\n%S", "a\tb\r\nc"));
}

TEST(Trace, ARecordIsOneWholeLineWithItsFields) {
    const TraceFile trace(8);
    const int line = __LINE__ + 1;
    TLX_TRACE(Module(), 8, "piDorv/Src/piDorvPlugin", "GetTopology", "%s value=%d") << "GetTopology" << FormatInt(3);
    TLX_TRACE(Module(), 2, "piDorv/Src/piDorvPlugin", "GetTopology", "%s") << "level off";
    const auto first = trace.Lines();
    ASSERT_EQ(1u, first.size());
    EXPECT_TRUE(
        std::regex_match(first[0], std::regex("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{6}\t[1-9]\\d*\t8\t"
                                              "piDorv\tpiDorv/Src/piDorvPlugin:" +
                                              std::to_string(line) + "\tGetTopology\tGetTopology value=3")))
        << first[0];
}
