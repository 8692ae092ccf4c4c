// pihost's command line and shell lines. Byte 0 picks the input kind: even, the rest is one shell
// line (split, then parsed as a command line); odd, the rest is a list of arguments separated by zero
// bytes. Every word also goes through the single-word parsers. Checked beyond "no crash": a line
// that splits into words splits into the same words again once each is put in single quotes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "LineSplit.h"
#include "NameParsing.h"

namespace {
std::string SingleQuoted(const std::string& word) {
    std::string out = "'";
    for (char c : word) {
        if (c == '\'') {
            out += "'\\''";
        } else {
            out += c;
        }
    }
    return out + "'";
}

void CheckSplitRoundTrip(const std::vector<std::string>& words) {
    std::string line;
    for (const auto& word : words) {
        line += (line.empty() ? "" : " ") + SingleQuoted(word);
    }
    std::vector<std::string> again;
    std::string error;
    if (!pihost::SplitLine(line, again, error) || again != words) {
        std::abort();
    }
}

std::vector<PI::CObject> SmallTopology() {
    std::vector<PI::CObject> topology(3);
    topology[0].m_ID = 0x0136000000000000ull;
    topology[0].m_Type = 19006;
    topology[1].m_ID = 0x0136000000000001ull;
    topology[1].m_Type = 19037;
    topology[2].m_ID = 0x0136000000000002ull;
    topology[2].m_Type = 19037;
    return topology;
}

void SingleWordParsers(const std::string& word) {
    static const std::vector<PI::CObject> topology = SmallTopology();
    std::string error;
    pihost::ObjectRef ref;
    if (pihost::ParseObjectRef(word, ref, error)) {
        std::uint64_t id = 0;
        pihost::ResolveObject(ref, topology, id, error);
    }
    std::int32_t number = 0;
    for (auto table : {CodeNames::Table::Property, CodeNames::Table::Operation, CodeNames::Table::Value}) {
        pihost::ParseCode(table, word, number, error);
    }
    pihost::ParsePollInterval(word, number, error);
    pihost::ParseTraceMask(word, error);
    std::string canonical;
    pihost::ParseTableName(word, canonical, error);
}

void ParseArguments(const std::vector<std::string>& args) {
    pihost::Request request;
    std::ostringstream out;
    std::ostringstream err;
    const pihost::ParseOutcome outcome = pihost::ParseCommandLine(args, request, out, err);
    // Bad usage is exit code 2; nothing to run means help or an error, never a silent success run.
    if (!outcome.run && outcome.exitCode != 0 && outcome.exitCode != 2) {
        std::abort();
    }
    for (const auto& word : args) {
        SingleWordParsers(word);
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] % 2 == 0) {
        std::vector<std::string> words;
        std::string error;
        if (pihost::SplitLine(rest, words, error)) {
            CheckSplitRoundTrip(words);
            ParseArguments(words);
        }
        return 0;
    }
    std::vector<std::string> args(1);
    for (char c : rest) {
        if (c == '\0') {
            args.emplace_back();
        } else {
            args.back() += c;
        }
    }
    ParseArguments(args);
    return 0;
}
