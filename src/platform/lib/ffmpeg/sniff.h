// The container of a music file told from its first bytes, for the containers the jukebox
// plays. FFmpeg's own probing tries every format it knows on a file, which brings the code of
// each into memory (a few megabytes that stay resident); a file whose first bytes say what it
// is skips that. Any thread.
#pragma once

#include <string>

extern "C" {
#include <libavformat/avformat.h>
}

namespace tunedeck {

// FFmpeg's demuxer for the file: WAV (RIFF WAVE), FLAC, Ogg, MP4 (ftyp), ASF (WMA), or MP3 (three
// MPEG layer III frames in a row, after an ID3v2 tag or not). Null when the bytes do not say
// for sure, or the file cannot be read: FFmpeg then probes as usual.
const AVInputFormat* knowncontainer(const std::string& path);

}  // namespace tunedeck
