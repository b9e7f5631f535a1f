// The picture a music file carries in its tags (ID3 APIC, FLAC picture block, MP4 cover atom,
// Vorbis comment picture), as FFmpeg's demuxers expose it: an attached-picture stream.
// UI thread; reads only the file's header, never its audio.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace tunedeck {

// The encoded bytes of the file's front cover, or of its first picture when none is marked as
// the front; empty when the file holds no picture or cannot be read.
std::vector<uint8_t> embeddedpicture(const std::filesystem::path& musicfile);

}  // namespace tunedeck
