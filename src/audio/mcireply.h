// Reading the CD device's status replies: the reply is the text before the first NUL, a mode
// is judged by its first 7 characters, a count or track number by its first 2.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tunedeck {

// The first `width` characters of a reply read as a decimal integer (blanks around it allowed).
// Empty when they hold no number: a failed query leaves blank or stale text behind.
std::optional<int> replynumber(std::string_view reply, std::size_t width);

// The whole reply as a signed 32-bit number (a millisecond position); empty when it is not one.
std::optional<int32_t> replyint32(std::string_view reply);

// The first `width` characters of a reply, as the status labels show them.
std::string replyprefix(std::string_view reply, std::size_t width);

// A position on the disc in track format, to the second.
struct CdPosition {
    int track = 0;
    int minutes = 0;
    int seconds = 0;
};
// A track-format position reply "tt:mm:ss:ff"; empty when a field is not a number (a failed
// query leaves blank or stale text).
std::optional<CdPosition> parsecdposition(std::string_view reply);
// A length reply "mm:ss..." in whole seconds; empty when it does not start with one.
std::optional<int> parsecdlength(std::string_view reply);

}  // namespace tunedeck
