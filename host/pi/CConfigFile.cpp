#include "pi/CConfigFile.h"

#include <cerrno>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace PI {
namespace {

enum Result { OK = 0, FILE_MISSING = 1, KEY_MISSING = 2, BAD_ARGUMENT = 3, WRITE_FAILED = 4, READ_FAILED = 5 };

// Read-modify-write of the same file from two threads must not lose either update.
std::mutex& writeMutex() {
    static std::mutex mutex;
    return mutex;
}

// The key of a line: the text before its first '='; lines without '=' have none.
bool keyOf(const std::string& line, std::string& key) {
    const std::string::size_type equals = line.find('=');
    if (equals == std::string::npos) {
        return false;
    }
    key = line.substr(0, equals);
    return true;
}

std::string valueOf(const std::string& line) {
    std::string value = line.substr(line.find('=') + 1);
    if (!value.empty() && value.back() == '\r') {
        value.pop_back();
    }
    return value;
}

// Splits into lines without their '\n'; a final line without '\n' still counts.
std::vector<std::string> splitLines(const std::string& content) {
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    while (start < content.size()) {
        std::string::size_type end = content.find('\n', start);
        if (end == std::string::npos) {
            end = content.size();
        }
        lines.push_back(content.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

int readWhole(const fs::path& path, std::string& content, bool& exists) {
    std::error_code error;
    exists = fs::exists(path, error);
    if (error) {
        return READ_FAILED;
    }
    if (!exists) {
        return OK;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return READ_FAILED;
    }
    // A read error (the path is a directory, an I/O error) throws from the stream buffer; it is a
    // failed read, never an exception for the caller.
    try {
        content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::exception&) {
        return READ_FAILED;
    }
    return in.bad() ? READ_FAILED : OK;
}

bool writeAll(int fd, const std::string& content) {
    const char* data = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

// Writes into a temporary file beside the target, syncs it and renames it over the target, so that
// readers see either the old file or the new one and never a part of it.
int replaceAtomically(const fs::path& path, const std::string& content, bool existed) {
    std::string pattern = path.string() + ".XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        return WRITE_FAILED;
    }

    mode_t mode = 0644;
    struct stat old {};
    if (existed && ::stat(path.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    }

    bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, content) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) {
        ok = ::rename(pattern.c_str(), path.c_str()) == 0;
    }
    if (!ok) {
        ::unlink(pattern.c_str());
        return WRITE_FAILED;
    }

    // Make the rename itself durable; a failure here no longer endangers the content.
    fs::path directory = path.parent_path();
    if (directory.empty()) {
        directory = ".";
    }
    const int dirFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return OK;
}

} // namespace

std::string CConfigFile::GetPath() const {
    const char* directory = std::getenv("PI_CONFIG_DIR");
    if (!directory || !*directory) {
        return m_FileName;
    }
    return (fs::path(directory) / m_FileName).string();
}

int CConfigFile::ReadKeyValue(const std::string& key, std::string& value, int, int) const {
    std::string content;
    bool exists = false;
    const int result = readWhole(GetPath(), content, exists);
    if (result != OK) {
        return result;
    }
    if (!exists) {
        return FILE_MISSING;
    }

    std::string lineKey;
    for (const std::string& line : splitLines(content)) {
        if (keyOf(line, lineKey) && lineKey == key) {
            value = valueOf(line);
            return OK;
        }
    }
    return KEY_MISSING;
}

int CConfigFile::WriteKeyValue(const std::string& key, const std::string& value, int, int) {
    // Such a key or value would split into further lines or change which key the line has.
    if (key.empty() || key.find_first_of("=\r\n") != std::string::npos ||
        value.find_first_of("\r\n") != std::string::npos) {
        return BAD_ARGUMENT;
    }

    std::lock_guard<std::mutex> guard(writeMutex());
    const fs::path path = GetPath();
    std::string content;
    bool exists = false;
    // A file that exists but cannot be read is left alone rather than replaced by one key.
    if (readWhole(path, content, exists) != OK) {
        return READ_FAILED;
    }

    std::vector<std::string> lines = splitLines(content);
    bool found = false;
    std::string lineKey;
    for (std::string& line : lines) {
        if (!keyOf(line, lineKey) || lineKey != key) {
            continue;
        }
        const bool crlf = !line.empty() && line.back() == '\r';
        line = key + "=" + value + (crlf ? "\r" : "");
        found = true;
    }
    if (!found) {
        lines.push_back(key + "=" + value);
    }

    std::string updated;
    for (const std::string& line : lines) {
        updated += line + "\n";
    }
    return replaceAtomically(path, updated, exists);
}

} // namespace PI
