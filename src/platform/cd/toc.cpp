#include "platform/cd/toc.h"

#include <cstdio>

namespace tunedeck::cd {

const TrackInfo* Toc::track(int number) const {
    if (number < 1 || number > count()) return nullptr;
    return &tracks[size_t(number - 1)];
}

int64_t Toc::trackbegin(int number) const {
    return int64_t(tracks[size_t(number - 1)].start) * kFramesPerSector;
}

int64_t Toc::discbegin() const {
    return tracks.empty() ? 0 : trackbegin(1);
}

const TrackInfo* Toc::trackat(int64_t frame) const {
    const TrackInfo* found = tracks.empty() ? nullptr : &tracks.front();
    for (const auto& t : tracks) {
        if (int64_t(t.start) * kFramesPerSector <= frame) found = &t;
    }
    return found;
}

std::vector<AudioRange> Toc::audioranges(int64_t from) const {
    std::vector<AudioRange> ranges;
    for (const auto& t : tracks) {
        int64_t begin = int64_t(t.start) * kFramesPerSector;
        int64_t end = begin + int64_t(t.sectors) * kFramesPerSector;
        if (!t.audio || end <= from) continue;
        if (begin < from) begin = from;
        if (!ranges.empty() && ranges.back().end == begin) {
            ranges.back().end = end;
        } else {
            ranges.push_back({begin, end});
        }
    }
    return ranges;
}

std::string formatmsf(int64_t frames) {
    if (frames < 0) frames = 0;
    int64_t sectors = frames / kFramesPerSector;
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld",
                  static_cast<long long>(sectors / kSectorsPerSecond / 60),
                  static_cast<long long>(sectors / kSectorsPerSecond % 60),
                  static_cast<long long>(sectors % kSectorsPerSecond));
    return text;
}

std::string formatminutes(int64_t frames) {
    std::string text = formatmsf(frames);
    text.resize(text.size() - 3);  // without ":ff"
    return text;
}

std::string formattmsf(const Toc& toc, int64_t frame) {
    const TrackInfo* t = toc.trackat(frame);
    if (t == nullptr) return "01:00:00:00";
    char number[16];
    std::snprintf(number, sizeof number, "%02d:", t->number);
    return number + formatmsf(frame - int64_t(t->start) * kFramesPerSector);
}

std::string formatmilliseconds(int64_t frames) {
    return std::to_string(frames * 1000 / kSampleRate);
}

// Rounded up, so that a position read in milliseconds and sent back lands on the same reading.
int64_t millisecondstoframes(int64_t ms) {
    return (ms * kSampleRate + 999) / 1000;
}

}  // namespace tunedeck::cd
