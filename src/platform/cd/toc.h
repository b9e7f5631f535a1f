// A disc's table of contents and the time arithmetic on it. Positions are counted in stereo
// sample frames from the disc's first sector (LSN 0): 588 frames a sector, 75 sectors a second.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tunedeck::cd {

inline constexpr int64_t kFramesPerSector = 588;
inline constexpr int64_t kSectorsPerSecond = 75;
inline constexpr int64_t kSampleRate = 44100;

struct TrackInfo {
    int number = 0;
    int32_t start = 0;    // first sector (LSN)
    int32_t sectors = 0;  // length in sectors
    bool audio = true;
};

// One stretch of audio sectors that plays without a break, in frames.
struct AudioRange {
    int64_t begin = 0;
    int64_t end = 0;
};

struct Toc {
    std::vector<TrackInfo> tracks;  // in disc order, numbered from 1
    int32_t leadout = 0;            // first sector after the last track

    int count() const { return int(tracks.size()); }
    const TrackInfo* track(int number) const;
    int64_t trackbegin(int number) const;  // frames; the track must exist
    int64_t discbegin() const;
    int64_t discend() const { return int64_t(leadout) * kFramesPerSector; }
    // The track that holds the frame (the last track at and after the disc's end).
    const TrackInfo* trackat(int64_t frame) const;
    // The contiguous audio stretches that begin at or after `from`, the first one cut at it.
    std::vector<AudioRange> audioranges(int64_t from) const;
};

// Reply texts.
std::string formatmsf(int64_t frames);                  // "mm:ss:ff"
std::string formatminutes(int64_t frames);              // "mm:ss", the frames dropped
std::string formattmsf(const Toc& toc, int64_t frame);  // "tt:mm:ss:ff"
std::string formatmilliseconds(int64_t frames);
int64_t millisecondstoframes(int64_t ms);

}  // namespace tunedeck::cd
