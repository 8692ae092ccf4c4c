// A scratch directory of its own, removed with the object (tests and benchmarks).
#pragma once
#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>

namespace test_support {
class ScratchDir {
public:
    ScratchDir() : m_Path((std::filesystem::temp_directory_path() / "pidorv-XXXXXX").string()) {
        if (mkdtemp(m_Path.data()) == nullptr) {
            throw std::runtime_error("cannot make a scratch directory");
        }
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_Path, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& Path() const { return m_Path; }

private:
    std::string m_Path;
};
} // namespace test_support
