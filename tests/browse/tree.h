// Small helpers that build folder trees for the browsing tests and read a listing back.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "browse/model.h"

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

// One field of every item of a listing, in order: labels(items), targets(items), kinds(items).
template <typename Field>
std::vector<Field> fieldof(const ItemTable& items, Field Item::*field) {
    std::vector<Field> out;
    for (const Item& item : items) out.push_back(item.*field);
    return out;
}
inline std::vector<std::string> labels(const ItemTable& items) {
    return fieldof(items, &Item::label);
}
inline std::vector<std::string> targets(const ItemTable& items) {
    return fieldof(items, &Item::target);
}
inline std::vector<ItemKind> kinds(const ItemTable& items) {
    return fieldof(items, &Item::kind);
}

}  // namespace tunedeck::testing
