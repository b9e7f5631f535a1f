// Which files the browser knows, by their extension (compared without regard to case): music
// files it lists and plays, playlist files it lists and loads, and the music formats the
// start-up scan queues.
// Safe to call from any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tunedeck {

enum class FileKind { Other, Music, Playlist };

// Music: mp3 wma wav flac ogg oga opus m4a aac. Playlist: m3u m3u8 pls.
FileKind file_kind_of(std::string_view name);

// The music formats the folder scan queues, read from the scanformats setting: extensions
// separated by blanks (an empty setting queues nothing). An entry may carry a leading dot and any
// case; an entry that is no music extension (a playlist, a typo) is left out, so the scan never
// queues what the list would not show as music.
class ScanFormats {
  public:
    explicit ScanFormats(std::string_view setting);
    // True for a music file of one of the formats.
    bool queues(std::string_view name) const;

  private:
    std::vector<std::string> extensions_;  // with the dot, lower case
};

}  // namespace tunedeck
