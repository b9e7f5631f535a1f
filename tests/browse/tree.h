// Small helpers that build folder trees for the browsing tests.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tunedeck::testing {

namespace fs = std::filesystem;

// An empty file, with the folders above it.
inline void touch(const fs::path& file) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary).flush();
}

inline void writefile(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

}  // namespace tunedeck::testing
