// What a music file's tags say about it (ID3v2, Vorbis comments, MP4 atoms, ASF), read from
// its header through FFmpeg's demuxers. UI thread; never reads the audio.
#pragma once

#include <filesystem>
#include <string>

namespace tunedeck {

struct FileTags {
    std::string title;
    std::string artist;
    std::string album;
    int track = 0;  // the track number; 0 when none is given
    bool operator==(const FileTags&) const = default;
};

// The file's tags; empty fields for what it does not say, all empty when it cannot be read.
FileTags readtags(const std::filesystem::path& musicfile);

// The number a track tag starts with ("7", "07/12"); 0 for none.
int tracknumber(const std::string& text);

}  // namespace tunedeck
