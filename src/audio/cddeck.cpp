#include "audio/cddeck.h"

#include <algorithm>

#include "audio/cdcontrol.h"

namespace tunedeck {

namespace {

constexpr std::size_t kModeWidth = 7;
constexpr std::size_t kNumberWidth = 2;  // a track number or count at the start of a reply

}  // namespace

std::string CdDeck::query(const std::string& command) {
    return querystatus(mci_, command, reply_.data(), reply_.size());
}

bool CdDeck::open() {
    return send("open cdaudio alias cd wait shareable");
}

void CdDeck::close() {
    send("close all", false);
}

bool CdDeck::media_present() {
    return query("status cd media present") == "true";
}

std::optional<int> CdDeck::tracks() {
    return replynumber(query("status cd number of tracks wait"), kNumberWidth);
}

bool CdDeck::audio_track(int track) {
    return query("status cd type track " + std::to_string(track)) == "audio";
}

void CdDeck::use_track_times() {
    send("set cd time format tmsf wait");
}

std::string CdDeck::disc_length() {
    return query("status cd length");
}

std::string CdDeck::track_length(int track) {
    return query("status cd length track " + std::to_string(track));
}

std::optional<int> CdDeck::track_seconds(int track) {
    return parsecdlength(track_length(track));
}

CdMode CdDeck::mode() {
    return {replyprefix(query("status cd mode"), kModeWidth)};
}

std::optional<int> CdDeck::track() {
    return replynumber(query("status cd position"), kNumberWidth);
}

std::optional<CdPosition> CdDeck::position() {
    return parsecdposition(query("status cd position"));
}

void CdDeck::play(int track) {
    send("play cd from " + std::to_string(track));
}

void CdDeck::resume() {
    send("play cd");
}

void CdDeck::pause() {
    send("pause cd");
}

void CdDeck::stop() {
    send("stop cd wait");
}

void CdDeck::rewind() {
    send("seek cd to 1");
}

void CdDeck::seek(int32_t milliseconds) {
    send("set cd time format milliseconds");
    const auto position = replyint32(query("status cd position wait"));
    if (position) {
        const int64_t target = static_cast<int64_t>(*position) + milliseconds;
        const std::string command = "play cd from " + std::to_string(target);
        // Sent past mcicommand: a refused jump shows no box.
        mciSendStringA(mci_, command.c_str(), nullptr, 0, nullptr);
    }
    send("set cd time format tmsf");
}

// The command strings' volume runs to 1000; the curve is the device's.
void CdDeck::set_volume(int volume) {
    const int permille = std::clamp(volume, 0, 100) * 10;
    send("setaudio cd volume to " + std::to_string(permille), false);
}

}  // namespace tunedeck
