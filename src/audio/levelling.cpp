#include "audio/levelling.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace tunedeck {

namespace {

float decibels(double db) {
    return static_cast<float>(std::pow(10.0, db / 20.0));
}

std::string folderof(const std::string& path) {
    return std::filesystem::path(path).parent_path().string();
}

}  // namespace

float levelgain(const LoudnessTags& tags, bool album, const LevelSettings& level,
                std::optional<double> measured) {
    if (level.mode == GainMode::Off) return 1.0f;
    const bool usealbum = level.mode == GainMode::Album || (level.mode == GainMode::Auto && album);
    std::optional<double> gain = usealbum ? tags.albumgain : tags.trackgain;
    std::optional<double> peak = usealbum ? tags.albumpeak : tags.trackpeak;
    if (!gain) {
        gain = usealbum ? tags.trackgain : tags.albumgain;
        peak = usealbum ? tags.trackpeak : tags.albumpeak;
    }
    if (!gain) gain = measured;
    if (!gain) return 1.0f;
    float linear = decibels(*gain + level.preampdb);
    if (peak && *peak > 0) linear = std::min(linear, static_cast<float>(1.0 / *peak));
    return linear;
}

bool samealbum(const std::string& path, const LoudnessTags& tags, const std::string& other,
               const AlbumLookup& albumof) {
    if (folderof(other) == folderof(path)) return true;
    return !tags.album.empty() && albumof && albumof(other) == tags.album;
}

bool albumrun(const PlayQueue& queue, int row, const LoudnessTags& tags,
              const AlbumLookup& albumof) {
    if (row < 0 || row >= queue.playlistcount) return false;
    const std::string path = queue.playlist.path(static_cast<std::size_t>(row));
    for (const int neighbour : {row - 1, row + 1}) {
        if (neighbour < 0 || neighbour >= queue.playlistcount) continue;
        const std::string other = queue.playlist.path(static_cast<std::size_t>(neighbour));
        if (samealbum(path, tags, other, albumof)) return true;
    }
    return false;
}

std::vector<std::string> upcomingpaths(const PlayQueue& queue, std::size_t limit) {
    std::vector<std::string> paths;
    const int count = queue.playlistcount;
    if (count <= 0) return paths;
    const int current = std::clamp(queue.playlistpos, -1, count - 1);
    const std::size_t wanted = std::min(limit, static_cast<std::size_t>(count));
    paths.reserve(wanted);
    for (int i = 1; paths.size() < wanted; ++i) {
        const int row = (current + i) % count;
        paths.push_back(queue.playlist.path(static_cast<std::size_t>(row)));
    }
    return paths;
}

}  // namespace tunedeck
