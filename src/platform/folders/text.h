// UTF-8 text handled per code point: decoding that tolerates invalid bytes, case changes and
// extension matching for names from the file system, and conversion to displayable text.
// Bytes that are not valid UTF-8 are kept as they are by every operation except tovalidutf8.
// Safe to call from any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tunedeck {

// One decoded unit of a byte string: a code point, or a single byte that is not valid UTF-8.
struct Utf8Unit {
    char32_t codepoint = 0;  // meaningful when valid
    std::size_t length = 1;  // bytes taken from the input, at least 1
    bool valid = true;
};

// Decodes the unit starting at byte `pos` (pos < text.size()).
Utf8Unit decodeutf8(std::string_view text, std::size_t pos);
void appendutf8(std::string& out, char32_t codepoint);
bool isvalidutf8(std::string_view text);

// Simple case mapping per code point (a UTF-8 locale's towlower/towupper). Invalid bytes stay.
char32_t lowercase(char32_t c);
char32_t uppercase(char32_t c);
std::string tolowerutf8(std::string_view text);
std::string toupperutf8(std::string_view text);

// True when `name` ends with `suffix`, compared without regard to case.
bool endswithcaseless(std::string_view name, std::string_view suffix);

// Text for the screen: every invalid byte becomes U+FFFD.
std::string tovalidutf8(std::string_view text);
// Reads every byte as a Windows-1252 character (the Western code page of Windows, which has
// letters and quotes where Latin-1 has control codes); "" when the conversion is not available.
std::string windows1252toutf8(std::string_view text);

}  // namespace tunedeck
