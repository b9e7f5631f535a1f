#include "app/ticktext.h"

#include <cmath>
#include <cstdio>

namespace tunedeck {

int64_t wholeseconds(double seconds) {
    if (!std::isfinite(seconds) || seconds <= 0) return 0;
    if (seconds >= 9.0e15) return static_cast<int64_t>(9.0e15);
    return static_cast<int64_t>(std::nearbyint(seconds));  // default rounding: half to even
}

std::string minutesseconds(int64_t seconds) {
    if (seconds < 0) seconds = 0;
    char text[48];
    std::snprintf(text, sizeof text, "%02lld:%02lld", static_cast<long long>(seconds / 60),
                  static_cast<long long>(seconds % 60));
    return text;
}

std::string playtimes(int64_t elapsed, int64_t total) {
    return minutesseconds(elapsed) + " / " + minutesseconds(total);
}

std::string stationtrack(const LiveStatus& status, const std::string& name) {
    return status.title.empty() ? name : status.title;
}

std::string stationstate(const LiveStatus& status, int64_t elapsed) {
    switch (status.link) {
        case LiveStatus::Link::Connecting:
            return "Connecting...";
        case LiveStatus::Link::Reconnecting:
            return "Reconnecting...";
        case LiveStatus::Link::Playing:
        case LiveStatus::Link::Ended:
            break;
    }
    return minutesseconds(elapsed);
}

std::string queueline(const PlayQueue& queue) {
    const int count = queue.playlistcount;
    if (count <= 0) return {};
    const int current = queue.playlistpos;
    std::string line =
        "Playlist Item " + std::to_string(current + 1) + " of " + std::to_string(count);
    const int next = current + 1;
    if (next <= count - 1 && next >= 0) {
        line += " (Next: " + std::string(queue.playlist.name(static_cast<std::size_t>(next))) + ")";
    } else {
        line += " (Next: Nothing. Playlist Completed. Playback will Stop.)";
    }
    return line;
}

std::string cdelapsed(const CdPosition& position) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d", position.minutes, position.seconds);
    return text;
}

std::string clocktext(std::time_t now) {
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) return {};
    char date[128];
    char time[128];
    if (std::strftime(date, sizeof date, "%x", &local) == 0) date[0] = '\0';
    if (std::strftime(time, sizeof time, "%X", &local) == 0) time[0] = '\0';
    return std::string(date) + " - " + time;
}

}  // namespace tunedeck
