// The file of paired phones beside settings.ini: one line per phone holding only a hash of its
// token ("sha256:" and 64 lower-case hexadecimal digits), so that a copy of the file lets nobody
// in. Readable by its owner only, replaced as a whole so that a crash never leaves half a file.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tunedeck {

struct StoredTokens {
    std::vector<std::string> hashes;  // oldest first
    // Some lines held a token itself, as an earlier version wrote them; they are among the
    // hashes now, and the file should be written again without them.
    bool plain = false;
};

// The hashes in the file. A line is a hash, or a plain token of an earlier version (hashed
// here); anything else (blanks, CR LF endings, capitals) is skipped. A missing file holds none.
// Throws std::runtime_error when the file is there but cannot be read, or is larger than 64 KiB
// (not a file of ours): the caller must then leave it as it is.
StoredTokens readtokens(const std::filesystem::path& file);

// Writes the hashes to a new file beside `file` (mode 0600, never through a link left in its
// place), flushes it and renames it over `file`. Throws std::runtime_error with the system's
// reason when it cannot.
void writetokens(const std::filesystem::path& file, const std::vector<std::string>& hashes);

// A token: 64 lower-case hexadecimal digits.
bool istoken(std::string_view text);

// The line kept for a token.
std::string tokenhash(std::string_view token);

}  // namespace tunedeck
