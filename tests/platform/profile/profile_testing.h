// Helpers shared by the profile tests: files written and read as raw bytes, and profile reads
// returned as strings.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/profile/profile.h"

namespace tunedeck::testing {

inline void writebytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string readbytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A profile read into a buffer of `size` bytes; the result is the bytes the call reports.
inline std::string getprofile(const char* section, const char* key, const char* deflt,
                              const std::filesystem::path& file, uint32_t size = 255) {
    std::string buffer(size, '#');
    const uint32_t n =
        GetPrivateProfileStringA(section, key, deflt, buffer.data(), size, file.c_str());
    return buffer.substr(0, n);
}

}  // namespace tunedeck::testing
