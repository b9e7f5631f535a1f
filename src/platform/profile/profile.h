// Private-profile access to INI files under the platform's names: a section name in square
// brackets on a line of its own, followed by lines of a key, an equals sign and the value.
//
// Section and key names match without regard to case; blanks around names and values are
// trimmed, and one pair of matching quotes around a value is removed. Lines starting with ';' or
// '#' are comments. The file is read anew at every call; nothing is cached, so other objects and
// other programs may use the same file. Texts are passed through as bytes (UTF-8 here).
// Any thread, as long as no two threads write the same file at once.
#pragma once

#include <cstdint>

namespace tunedeck {

// Copies into `buffer` (of `size` bytes) what fits of:
// - section and key given: the key's value, or `deflt` (trailing blanks removed, null = "")
//   when the file, the section or the key is missing; a key present with an empty value gives "";
// - section given, key null: the section's key names, each NUL-terminated, then one more NUL;
// - section null: the file's section names, likewise.
// The result is always NUL-terminated (for size >= 1). Returns the count of bytes copied, not
// counting the final NUL; a list cut short ends with two NULs and returns size - 2.
uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* deflt,
                                  char* buffer, uint32_t size, const char* file);

// Sets `key` in `section` to `value`, creating the file, the section and the key as needed and
// keeping every other line untouched. A null `value` deletes the key; a null `key` deletes the
// whole section. The file is replaced atomically. Returns non-zero on success, 0 on failure
// (unwritable file, null section or file, or a name or value that would break the file's lines).
int WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                               const char* file);

}  // namespace tunedeck
