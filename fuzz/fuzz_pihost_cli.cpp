// pihost's command line and shell lines. Byte 0 even: the rest is one shell line; odd: arguments separated by
// zero bytes. Every word also goes through the single-word parsers. A line that splits must split into the same
// words once each is single-quoted, and bad usage must end with exit code 2.
#include <cstdint>
#include <cstdlib>
#include <sstream>

#include "CommandLine.h"
#include "LineSplit.h"
#include "NameParsing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::vector<std::string> words, again;
    std::string error, quoted;
    if (data[0] % 2 != 0) {
        std::istringstream in(rest);
        for (std::string word; std::getline(in, word, '\0');)
            words.push_back(word);
    } else if (pihost::SplitLine(rest, words, error)) {
        for (const auto& word : words) {
            quoted += " '";
            for (char c : word)
                quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
            quoted += "'";
        }
        if (!pihost::SplitLine(quoted, again, error) || again != words)
            std::abort();
    } else {
        return 0;
    }
    pihost::Request request;
    std::ostringstream out;
    const pihost::ParseOutcome outcome = pihost::ParseCommandLine(words, request, out, out);
    if (!outcome.run && outcome.exitCode != 0 && outcome.exitCode != 2)
        std::abort();
    std::vector<PI::CObject> topology(3);
    topology[0].m_Type = 19006;
    topology[1].m_Type = topology[2].m_Type = 19037;
    for (const auto& word : words) {
        pihost::ObjectRef ref;
        std::uint64_t id = 0;
        if (pihost::ParseObjectRef(word, ref, error))
            pihost::ResolveObject(ref, topology, id, error);
        std::int32_t number = 0;
        for (auto table : {CodeNames::Table::Property, CodeNames::Table::Operation, CodeNames::Table::Value})
            pihost::ParseCode(table, word, number, error);
        pihost::ParsePollInterval(word, number, error);
        pihost::ParseTraceMask(word, error);
        pihost::ParseTableName(word, quoted, error);
    }
    return 0;
}
