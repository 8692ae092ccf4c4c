// pihost's command line and shell lines. Byte 0 even: the rest is one shell line; odd: arguments separated by
// zero bytes; the command line parser hands each word to its own parser. A line that splits must split into the same
// words once each is single-quoted, and bad usage must end with exit code 2.
#include <cstdint>
#include <cstdlib>
#include <sstream>

#include "CommandLine.h"
#include "LineSplit.h"

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
    return 0;
}
