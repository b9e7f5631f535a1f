#include "browse/formats.h"

#include <algorithm>
#include <array>

#include "platform/folders/text.h"

namespace tunedeck {

namespace {

constexpr std::array<std::string_view, 9> kMusicExtensions = {
    ".mp3", ".wma", ".wav", ".flac", ".ogg", ".oga", ".opus", ".m4a", ".aac"};
constexpr std::array<std::string_view, 3> kPlaylistExtensions = {".m3u", ".m3u8", ".pls"};

template <std::size_t N>
bool ends_with_any(std::string_view name, const std::array<std::string_view, N>& extensions) {
    return std::any_of(extensions.begin(), extensions.end(),
                       [name](std::string_view ext) { return endswithcaseless(name, ext); });
}

bool is_music_extension(std::string_view extension) {
    return std::find(kMusicExtensions.begin(), kMusicExtensions.end(), extension) !=
           kMusicExtensions.end();
}

// The next word of `text` from `pos` on, words separated by blanks (spaces or tabs).
std::string_view next_word(std::string_view text, std::size_t& pos) {
    constexpr std::string_view kBlanks = " \t";
    const std::size_t start = text.find_first_not_of(kBlanks, pos);
    if (start == std::string_view::npos) {
        pos = text.size();
        return {};
    }
    const std::size_t end = std::min(text.find_first_of(kBlanks, start), text.size());
    pos = end;
    return text.substr(start, end - start);
}

}  // namespace

FileKind file_kind_of(std::string_view name) {
    if (ends_with_any(name, kMusicExtensions)) return FileKind::Music;
    if (ends_with_any(name, kPlaylistExtensions)) return FileKind::Playlist;
    return FileKind::Other;
}

ScanFormats::ScanFormats(std::string_view setting) {
    std::size_t pos = 0;
    for (std::string_view word = next_word(setting, pos); !word.empty();
         word = next_word(setting, pos)) {
        std::string extension = "." + tolowerutf8(word.starts_with('.') ? word.substr(1) : word);
        if (is_music_extension(extension)) extensions_.push_back(std::move(extension));
    }
}

bool ScanFormats::queues(std::string_view name) const {
    return std::any_of(extensions_.begin(), extensions_.end(),
                       [name](const std::string& ext) { return endswithcaseless(name, ext); });
}

}  // namespace tunedeck
