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

bool albumrun(const PlayQueue& queue, int row, const LoudnessTags& tags,
              std::string (*albumof)(const std::string& path)) {
    if (row < 0 || row >= queue.playlistcount) return false;
    const std::string& path = queue.playlist[static_cast<std::size_t>(row)].path;
    const std::string folder = folderof(path);
    for (const int neighbour : {row - 1, row + 1}) {
        if (neighbour < 0 || neighbour >= queue.playlistcount) continue;
        const std::string& other = queue.playlist[static_cast<std::size_t>(neighbour)].path;
        if (folderof(other) == folder) return true;
        if (!tags.album.empty() && albumof != nullptr && albumof(other) == tags.album) return true;
    }
    return false;
}

}  // namespace tunedeck
