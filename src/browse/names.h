// Display names: the text shown for a file name, folder name or folder path.
#pragma once

#include <string>
#include <string_view>

namespace tunedeck {

// What displayname reads besides its input: the root folder text and whether the fixnames
// setting is on.
struct NameOptions {
    std::string root;
    bool fixnames = false;
};

// Drops the root folder and the known extensions anywhere (.mp3 .wma .wav .m3u8 .m3u .pls .flac
// .ogg .oga .opus .m4a .aac, each all lower or all upper case: .Mp3 stays), tidies case and
// underscores with fixnames, shows '/' as " / ". The result is valid UTF-8 (invalid bytes
// become U+FFFD); it is for the screen, never for a path.
std::string displayname(std::string_view text, const NameOptions& options);

// The text after the last '/' (all of it when there is none).
std::string_view lastcomponent(std::string_view path);

}  // namespace tunedeck
