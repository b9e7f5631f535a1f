// What a file's tags say of its loudness: ReplayGain (ID3v2 TXXX frames, Vorbis comments in Ogg
// and FLAC, MP4 freeform atoms, APEv2, as FFmpeg reads them into its metadata) and the R128
// gains of Opus, converted to ReplayGain's reference level. The album's name comes along: it
// tells which files make one album.
#pragma once

#include <optional>
#include <string>

struct AVFormatContext;

namespace tunedeck {

struct LoudnessTags {
    // Gains in dB to bring the track or its album to the reference level; peaks as a fraction
    // of full scale (1.0 = full). Empty where the tags say nothing usable.
    std::optional<double> trackgain;
    std::optional<double> trackpeak;
    std::optional<double> albumgain;
    std::optional<double> albumpeak;
    std::string album;

    bool operator==(const LoudnessTags&) const = default;
};

// Reads the container's tags and those of audio stream `stream`. Values that are no number,
// or absurd (gains beyond +-60 dB, peaks not above 0 or beyond 100), are left out.
LoudnessTags readloudnesstags(const AVFormatContext& format, int stream);

// Opens the file at `path` only as far as its tags and reads them; empty tags when it cannot be
// opened (or takes more than a second). For a queue's neighbours, whose album decides how the
// playing file is levelled.
LoudnessTags readfileloudnesstags(const std::string& path);

// A gain tag's text ("-7.03 dB", "+2.1"): its number; empty when it starts with none.
std::optional<double> parsegaintag(const char* text);

}  // namespace tunedeck
