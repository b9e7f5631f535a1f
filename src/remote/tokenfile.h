// The file of paired phones' tokens, in the user's state folder: one token a line, readable by
// its owner only, replaced as a whole so that a crash never leaves half a file.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tunedeck {

// The tokens in the file; lines that are not tokens are skipped, a missing file holds none.
std::vector<std::string> readtokens(const std::filesystem::path& file);

// Writes the tokens to a new file beside `file` (mode 0600), flushes it and renames it over
// `file`. Throws std::runtime_error with the system's reason when it cannot.
void writetokens(const std::filesystem::path& file, const std::vector<std::string>& tokens);

// A token: 64 lower-case hexadecimal digits.
bool istoken(const std::string& text);

}  // namespace tunedeck
