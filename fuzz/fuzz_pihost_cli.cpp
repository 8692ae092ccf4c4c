// pihost's command line and shell lines. Byte 0 picks the input kind: even, the rest is one shell
// line (split, then parsed as a command line); odd, the rest is a list of arguments separated by zero
// bytes. Every word also goes through the single-word parsers. Checked beyond "no crash": a line
// that splits into words splits into the same words again once each is put in single quotes, and
// bad usage ends with exit code 2.
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
void CheckSplitRoundTrip(const std::vector<std::string>& words) {
    std::string line;
    for (const auto& word : words) {
        line += " '";
        for (char c : word) {
            line += c == '\'' ? std::string("'\\''") : std::string(1, c);
        }
        line += "'";
    }
    std::vector<std::string> again;
    std::string error;
    if (!pihost::SplitLine(line, again, error) || again != words) {
        std::abort();
    }
}

void ParseArguments(const std::vector<std::string>& args) {
    static const std::vector<PI::CObject> topology = [] {
        std::vector<PI::CObject> objects(3);
        for (std::size_t i = 0; i < objects.size(); ++i) {
            objects[i].m_ID = 0x0136000000000000ull | i;
            objects[i].m_Type = i == 0 ? 19006 : 19037;
        }
        return objects;
    }();
    pihost::Request request;
    std::ostringstream out;
    std::ostringstream err;
    const pihost::ParseOutcome outcome = pihost::ParseCommandLine(args, request, out, err);
    if (!outcome.run && outcome.exitCode != 0 && outcome.exitCode != 2) {
        std::abort();
    }
    for (const auto& word : args) {
        std::string error;
        pihost::ObjectRef ref;
        std::uint64_t id = 0;
        if (pihost::ParseObjectRef(word, ref, error)) {
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
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::vector<std::string> words;
    std::string error;
    if (data[0] % 2 != 0) {
        words.emplace_back();
        for (char c : rest) {
            if (c == '\0') {
                words.emplace_back();
            } else {
                words.back() += c;
            }
        }
    } else if (pihost::SplitLine(rest, words, error)) {
        CheckSplitRoundTrip(words);
    } else {
        return 0;
    }
    ParseArguments(words);
    return 0;
}
