#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <set>
#include <thread>

#include "TraceCapture.h"
#include "tlx/Threading.h"
#include "tlx/Trace.h"

using TLX::Output_Streams::FormatInt;
using tlxtest::SplitTabs;
using tlxtest::TraceCapture;

namespace {
TLX::Misc::CModuleInfo& Module() {
    static TLX::Misc::CModuleInfo s_Module(310, "piDorv", "P:7.12.1 F:7.12.1", nullptr, nullptr);
    return s_Module;
}

int Touch(int& counter) {
    return ++counter;
}

// The message field of the one record written with `args` on a fresh stream.
template <typename... Args> std::string Message(const char* format, const Args&... args) {
    TraceCapture capture;
    Module().SetTraceMask(0xffffffff);
    {
        // the record outlives the stream that fills it, as inside the trace macro
        TLX::Internals::CTraceStreamBuffer record(4, Module(), "src/file", "Fn", 1);
        TLX::Output_Streams::CFormatStream stream(record, format);
        (void)(stream << ... << args);
    }
    const auto lines = capture.Lines();
    if (lines.size() != 1) {
        return "<" + std::to_string(lines.size()) + " lines>";
    }
    const auto fields = SplitTabs(lines[0]);
    return fields.size() == 7 ? fields[6] : "<" + std::to_string(fields.size()) + " fields>";
}
} // namespace

TEST(TraceGating, ArgumentsOfADisabledLevelAreNotEvaluated) {
    TraceCapture capture;
    int counter = 0;
    Module().SetTraceMask(0);
    TLX_TRACE(Module(), 2, "src/file", "Fn", "%d") << FormatInt(Touch(counter));
    Module().SetTraceMask(4);
    TLX_TRACE(Module(), 2, "src/file", "Fn", "%d") << FormatInt(Touch(counter));
    EXPECT_EQ(counter, 0);
    EXPECT_TRUE(capture.Lines().empty());

    TLX_TRACE(Module(), 4, "src/file", "Fn", "%d") << FormatInt(Touch(counter));
    EXPECT_EQ(counter, 1);
    ASSERT_EQ(capture.Lines().size(), 1u);
    EXPECT_EQ(SplitTabs(capture.Lines()[0]).back(), "1");
}

// The environment's mask text is read as ParseMask reads it; anything unreadable is 0.
TEST(TraceGating, MaskComesFromTheEnvironmentAndRejectsWhatIsNotAMask) {
    const auto expectMask = [](const char* text, std::uint32_t mask) {
        if (text) {
            ::setenv("TLX_TRACE_MASK", text, 1);
        } else {
            ::unsetenv("TLX_TRACE_MASK");
        }
        EXPECT_EQ(TLX::Misc::CModuleInfo(1, "m", "v", nullptr, nullptr).GetTraceMask(), mask)
            << (text ? text : "(null)");
        EXPECT_EQ(TLX::Misc::CModuleInfo::ParseMask(text), mask);
    };
    expectMask("0x14", 0x14u);
    expectMask("128", 128u);
    expectMask(" 0X40000000 ", 0x40000000u);
    expectMask("0xffffffff", 0xffffffffu);
    for (const char* bad : {"lots", "0x100000000", "-1", "12abc", "0x", "", static_cast<const char*>(nullptr)})
        expectMask(bad, 0);
}

TEST(TraceFormat, SixtyFourBitAndNegativeValues) {
    EXPECT_EQ(Message("0x%x", FormatInt(std::uint64_t{0x0136000000000001})), "0x136000000000001");
    EXPECT_EQ(Message("%d", FormatInt(std::int32_t{-5})), "-5");
    EXPECT_EQ(Message("%lld", FormatInt(std::int64_t{-1})), "-1");
    EXPECT_EQ(Message("%u %x", FormatInt(std::int32_t{-1}), FormatInt(std::int32_t{-1})), "4294967295 ffffffff");
    EXPECT_EQ(Message("%d", FormatInt(std::uint32_t{4294967295u})), "4294967295");
    EXPECT_EQ(Message("%llx", FormatInt(std::int64_t{-1})), "ffffffffffffffff");
}

TEST(TraceFormat, FlagsWidthsTextsMissingArgumentsAndLineBreaks) {
    EXPECT_EQ(Message("%08x|%X|%i|%ld|%lu", FormatInt(0xbeefu), FormatInt(255u), FormatInt(7),
                      FormatInt(std::int64_t{-9}), FormatInt(std::uint64_t{9})),
              "0000beef|FF|7|-9|9");
    EXPECT_EQ(Message("[%5d][%-4u][%c]", FormatInt(42), FormatInt(3u), FormatInt(65)), "[   42][3   ][A]");
    EXPECT_EQ(Message("[%5s][%-4s][%.2s]", "ab", std::string("c"), "xyz"), "[   ab][c   ][xy]");
    EXPECT_EQ(Message("%s %s :  %S", "GetTopology", std::string("Adapter"), TLX::Exceptions::CErrorLog("disk gone")),
              "GetTopology Adapter :  disk gone");
    EXPECT_EQ(Message("%s", static_cast<const char*>(nullptr)), "(null)");
    EXPECT_EQ(Message("a=%d b=%s 100%%", FormatInt(1)), "a=1 b=%s 100%");
    EXPECT_EQ(Message("LEAVE GetEvents() -> %d"), "LEAVE GetEvents() -> %d");
    EXPECT_EQ(Message("%d", FormatInt(1), FormatInt(2), "extra"), "1");
    EXPECT_EQ(Message("%f %d trailing %", FormatInt(3)), "%f 3 trailing %");
    EXPECT_EQ(Message("EventPoll()- Thread is crashed!\n\n%S", "a\tb\r\nc"), "EventPoll()- Thread is crashed!  a b  c");
}

TEST(TraceLine, LayoutOfOneRecord) {
    TraceCapture capture;
    Module().SetTraceMask(0x10);
    TLX::Threading::CThread::initialize();
    const int line = __LINE__ + 1;
    TLX_TRACE(Module(), 0x10, "piDorv/Src/piDorvPlugin", "GetTopology", "%s value=%d") << "GetTopology" << FormatInt(3);
    const auto lines = capture.Lines();
    ASSERT_EQ(lines.size(), 1u);
    const std::regex layout("\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}:\\d{2}\\.\\d{6}\t[1-9]\\d*\t10\tpiDorv\t"
                            "piDorv/Src/piDorvPlugin:" +
                            std::to_string(line) + "\tGetTopology\tGetTopology value=3");
    EXPECT_TRUE(std::regex_match(lines[0], layout)) << lines[0];

    std::ifstream file(capture.File());
    std::string written;
    ASSERT_TRUE(std::getline(file, written));
    EXPECT_EQ(written, lines[0]);
}

TEST(TraceLine, ConcurrentRecordsStayWholeLines) {
    TraceCapture capture;
    Module().SetTraceMask(8);
    const std::string payload(300, 'x');
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            TLX::Threading::CThread::initialize();
            for (int i = 0; i < 200; ++i) {
                TLX_TRACE(Module(), 8, "src/file", "Worker", "%d %d %s") << FormatInt(t) << FormatInt(i) << payload;
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    std::ifstream file(capture.File());
    std::set<std::string> tids;
    std::set<std::string> records;
    int count = 0;
    for (std::string line; std::getline(file, line); ++count) {
        const auto fields = SplitTabs(line);
        ASSERT_EQ(fields.size(), 7u) << line;
        ASSERT_EQ(fields[2], "8");
        const std::size_t head = fields[6].find(' ', fields[6].find(' ') + 1);
        ASSERT_EQ(fields[6].substr(head), " " + payload) << line;
        tids.insert(fields[1]);
        records.insert(fields[6].substr(0, head));
    }
    EXPECT_EQ(count, 1600);
    EXPECT_EQ(records.size(), 1600u);
    EXPECT_EQ(tids.size(), 8u);
}
