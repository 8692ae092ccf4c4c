#include "LineSplit.h"

namespace pihost {

bool SplitLine(const std::string& line, std::vector<std::string>& words, std::string& error) {
    words.clear();
    std::string word;
    bool inWord = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (inWord) {
                words.push_back(word);
            }
            word.clear();
            inWord = false;
            continue;
        }
        if (c == '#' && !inWord) {
            break;
        }
        inWord = true;
        if (c == '\\') {
            if (++i == line.size()) {
                error = "trailing backslash";
                return false;
            }
            word += line[i];
        } else if (c == '\'') {
            const std::size_t end = line.find('\'', i + 1);
            if (end == std::string::npos) {
                error = "unterminated single quote";
                return false;
            }
            word.append(line, i + 1, end - i - 1);
            i = end;
        } else if (c == '"') {
            for (++i;; ++i) {
                if (i == line.size()) {
                    error = "unterminated double quote";
                    return false;
                }
                if (line[i] == '"') {
                    break;
                }
                if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) {
                    ++i;
                }
                word += line[i];
            }
        } else {
            word += c;
        }
    }
    if (inWord) {
        words.push_back(word);
    }
    return true;
}

} // namespace pihost
