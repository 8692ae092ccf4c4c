#include <sstream>

#include <gtest/gtest.h>

#include "CommandLine.h"

using namespace pihost;

namespace {
struct Parsed {
    ParseOutcome outcome;
    Request request;
    std::string out;
    std::string err;
};

Parsed Parse(const std::vector<std::string>& args) {
    Parsed p;
    std::ostringstream out;
    std::ostringstream err;
    p.outcome = ParseCommandLine(args, p.request, out, err);
    p.out = out.str();
    p.err = err.str();
    return p;
}
} // namespace

TEST(CommandLine, NoCommandMeansTopology) {
    const Parsed p = Parse({});
    ASSERT_TRUE(p.outcome.run);
    EXPECT_EQ(Command::Topology, p.request.command);
    EXPECT_EQ("", p.request.options.db);
    EXPECT_FALSE(p.request.options.json);
    EXPECT_TRUE(p.request.loadOptions.empty());
}

TEST(CommandLine, GlobalOptionsBeforeAndAfterTheCommand) {
    const Parsed p = Parse({"--db", "x.db", "get", "adapter:1", "serial-number", "--json", "--fault", "garbage"});
    ASSERT_TRUE(p.outcome.run) << p.err;
    EXPECT_EQ(Command::Get, p.request.command);
    EXPECT_EQ("get", p.request.commandName);
    EXPECT_TRUE(p.request.options.json);
    EXPECT_EQ("x.db", p.request.options.db);
    EXPECT_EQ("garbage", p.request.options.fault);
    EXPECT_EQ(ObjectRef::Kind::Adapter, p.request.object.kind);
    EXPECT_EQ(1u, p.request.object.index);
    EXPECT_EQ(30022, p.request.code);
    EXPECT_EQ((std::vector<std::string>{"--db", "--fault"}), p.request.loadOptions);
}

TEST(CommandLine, CommandsAndTheirArguments) {
    Parsed p = Parse({"run", "plugin", "GET_EVENTS"});
    ASSERT_TRUE(p.outcome.run);
    EXPECT_EQ(Command::Run, p.request.command);
    EXPECT_EQ(50002, p.request.code);
    p = Parse({"set", "poll-interval", "30"});
    ASSERT_TRUE(p.outcome.run);
    EXPECT_EQ(30, p.request.pollInterval);
    p = Parse({"watch", "--for", "5", "--scan"});
    ASSERT_TRUE(p.outcome.run);
    EXPECT_DOUBLE_EQ(5.0, p.request.forSeconds);
    EXPECT_TRUE(p.request.scan);
    p = Parse({"db", "pd_ld"});
    ASSERT_TRUE(p.outcome.run);
    EXPECT_EQ("PD_LD", p.request.table);
    p = Parse({"db"});
    ASSERT_TRUE(p.outcome.run);
    EXPECT_TRUE(p.request.table.empty());
    p = Parse({"properties", "0x0136000000000001"});
    ASSERT_TRUE(p.outcome.run);
    EXPECT_EQ(0x0136000000000001ull, p.request.object.id);
}

TEST(CommandLine, BadUsageExitsWithTwo) {
    // What the end-to-end table does not run already.
    const std::vector<std::vector<std::string>> bad = {
        {"get", "plugin"},
        {"set", "poll-interval", "1"},
        {"set", "poll-interval", "ten"},
        {"set", "name", "5"},
        {"watch", "--for", "soon"},
        {"--trace", "lots"},
        {"--fault", "no-controller:1"},
        {"--fault", "delay:3600001"},
        {"--fault", "truncate:-1"},
    };
    for (const auto& args : bad) {
        const Parsed p = Parse(args);
        EXPECT_FALSE(p.outcome.run) << args[0];
        EXPECT_EQ(2, p.outcome.exitCode) << args[0];
        EXPECT_FALSE(p.err.empty()) << args[0];
    }
}

TEST(CommandLine, HelpOnEveryCommandHasAnExample) {
    for (const char* command : {"topology", "properties", "get", "set", "operations", "run", "watch", "db", "shell"}) {
        const Parsed p = Parse({command, "--help"});
        EXPECT_FALSE(p.outcome.run);
        EXPECT_EQ(0, p.outcome.exitCode);
        EXPECT_NE(std::string::npos, p.out.find("Example")) << command;
    }
    const Parsed p = Parse({"--help"});
    EXPECT_EQ(0, p.outcome.exitCode);
    EXPECT_NE(std::string::npos, p.out.find("watch"));
}
