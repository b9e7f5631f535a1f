// Whole-file reading and atomic replacement for the profile functions.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tunedeck::profile {

// Files larger than this are not INI files anyone wrote by hand; they read as missing.
inline constexpr std::size_t kMaxProfileBytes = 64u << 20;

// The file's bytes, or nothing when it is missing, not a regular file, unreadable or too large.
// Never blocks on a FIFO or device.
std::optional<std::string> readprofilefile(const std::string& path);

// Whether `path` names nothing at all (as opposed to something unreadable).
bool profilefileabsent(const std::string& path);

// Replaces the file with `content`: a temporary file in the same folder, flushed, then renamed
// over the old one, so a reader sees either the old or the new file whole. A symbolic link is
// followed and its target replaced; an existing file keeps its permissions.
bool replacefile(const std::string& path, std::string_view content);

}  // namespace tunedeck::profile
