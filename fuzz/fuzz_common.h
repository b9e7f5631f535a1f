// Shared pieces of the fuzz targets (and the types of their entry points): a private scratch folder
// and the seed writer that scripts/run-fuzz asks for through TUNEDECK_WRITE_SEEDS.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace tunedeck::fuzzing {

namespace fs = std::filesystem;

inline fs::path scratchfolder(const char* name) {
    fs::path dir = fs::temp_directory_path() /
                   (std::string("tunedeck-fuzz-") + name + "-" + std::to_string(getpid()));
    fs::create_directories(dir);
    return dir;
}

inline void writefile(const fs::path& file, std::string_view bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc).write(bytes.data(), bytes.size());
}

inline std::string readfile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Writes the seeds into the corpus folder when the run script asks, then ends the process.
inline void writeseeds(const std::vector<std::string>& seeds) {
    const char* dir = std::getenv("TUNEDECK_WRITE_SEEDS");
    if (!dir) return;
    for (size_t i = 0; i < seeds.size(); ++i)
        writefile(fs::path(dir) / ("seed-" + std::to_string(i)), seeds[i]);
    std::exit(0);
}

}  // namespace tunedeck::fuzzing
