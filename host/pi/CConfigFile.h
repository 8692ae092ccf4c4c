// A Key=Value file in the directory named by PI_CONFIG_DIR (else the current directory).
#pragma once
#include <string>

namespace PI {
class CConfigFile {
public:
    void SetFileName(const std::string& name) { m_FileName = name; }
    const std::string& GetFileName() const { return m_FileName; }
    // The full path: PI_CONFIG_DIR (read at each call) joined with the file name.
    std::string GetPath() const;

    // 0 and the value when the key is found; non-zero for a missing file or key.
    int ReadKeyValue(const std::string& key, std::string& value, int a = -1, int b = -1) const;
    // Replaces or appends the key, keeps every other line, writes atomically
    // (temporary file, flush, rename). Non-zero when the write fails.
    int WriteKeyValue(const std::string& key, const std::string& value, int a = -1, int b = -1);

private:
    std::string m_FileName;
};
} // namespace PI
