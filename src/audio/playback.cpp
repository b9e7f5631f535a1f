#include "audio/playback.h"

#include <cmath>

#include "audio/bassutil.h"

namespace tunedeck {

namespace {

// A station has no file to measure and no tags to level by: it plays at the pre-amplification
// alone (and the volume, applied in the output).
float stationgain(const LevelSettings& level) {
    if (level.mode == GainMode::Off) return 1.0f;
    return static_cast<float>(std::pow(10.0, level.preampdb / 20.0));
}

}  // namespace

bool Playback::playfile(const std::string& path) {
    return playfileat(path, 0);
}

bool Playback::playfileat(const std::string& path, double seconds) {
    queue_.takenout.reset();  // what it named stops here
    BASS_StreamFree(bass_, queue_.stream);
    playing_.clear();  // until the new one plays, no file does
    const bool station = isradioaddress(path);
    const HSTREAM created = station ? BASS_StreamCreateURL(bass_, path.c_str(), 0, 0)
                                    : BASS_StreamCreateFile(bass_, 0, path.c_str(), 0, 0, 0);
    if (created == 0) return true;
    queue_.stream = created;
    if (station) {
        BASS_ChannelSetAttribute(bass_, created, BASS_ATTRIB_VOL, stationgain(level_));
    } else {
        level(created, path);
    }
    // Placed before it plays, so that nothing of the file's start is heard.
    if (seconds > 0) seek(seconds);
    playing_ = path;
    if (BASS_StreamPlay(bass_, queue_.stream, 0, 0) == 0) return true;
    followqueue();  // what plays next is measured next
    const SYNCPROC end = [this](HSYNC sync, DWORD channel, DWORD data, DWORD user) {
        streamend(sync, channel, data, user);
    };
    return setsync(queue_.stream, BASS_SYNC_END, 0, end, 0) == 0;
}

bool Playback::playfrom(int row, int step, bool wrap) {
    const int count = queue_.playlistcount;
    if (row < 0 || row >= count) return true;
    int at = row;
    for (int tried = 0; tried < count; ++tried) {
        queue_.playlistpos = at;
        const bool did_not_start = playfile(queue_.playlist.path(static_cast<std::size_t>(at)));
        if (!did_not_start) return false;
        at += step;
        if (at < 0 || at >= count) {
            if (!wrap) break;
            at = at < 0 ? count - 1 : 0;
        }
    }
    queue_.playlistpos = row;
    return true;
}

void Playback::streamend(HSYNC, DWORD, DWORD, DWORD) {
    if (!playfrom(queue_.playlistpos + 1, +1, false)) return;
    // The queue has played to its end: a taken-out file that played last is over too, so the
    // keys count from the start of the queue again. Entries still on their way start where the
    // queue now ends.
    queue_.takenout.reset();
    queue_.playlistpos = queue_.growing ? queue_.playlistcount : 0;
    stop();
}

HSYNC Playback::setsync(DWORD channel, DWORD type, DWORD param, SYNCPROC proc, DWORD user) {
    return BASS_ChannelSetSync(bass_, channel, type, static_cast<QWORD>(param), std::move(proc),
                               user);
}

bool Playback::dispatch(const SDL_Event& event) {
    return BASS_DispatchSyncEvent(bass_, event);
}

PlayState Playback::state() {
    switch (BASS_ChannelIsActive(bass_, queue_.stream)) {
        case BASS_ACTIVE_PLAYING:
            return PlayState::Playing;
        case BASS_ACTIVE_PAUSED:
            return PlayState::Paused;
        default:
            return PlayState::Stopped;
    }
}

double Playback::elapsed() {
    return bytestoseconds(bass_, queue_.stream, BASS_ChannelGetPosition(bass_, queue_.stream));
}

std::optional<LiveStatus> Playback::livestatus() {
    LiveStatus status;
    if (BASS_ChannelGetLiveStatus(bass_, queue_.stream, &status) == 0) return std::nullopt;
    return status;
}

double Playback::length() {
    if (live()) return 0;
    return bytestoseconds(bass_, queue_.stream, BASS_StreamGetLength(bass_, queue_.stream));
}

bool Playback::seek(double seconds) {
    if (live()) return false;
    const QWORD bytes = BASS_ChannelSeconds2Bytes(bass_, queue_.stream, seconds);
    if (bytes == static_cast<QWORD>(-1)) return false;
    return BASS_ChannelSetPosition(bass_, queue_.stream, bytes, BASS_POS_BYTE) != 0;
}

void Playback::pause() {
    BASS_ChannelPause(bass_, queue_.stream);
}

void Playback::resume() {
    BASS_ChannelResume(bass_, queue_.stream);
}

void Playback::stop() {
    BASS_ChannelStop(bass_, queue_.stream);
}

void Playback::shutdown() {
    BASS_Stop(bass_);
    BASS_StreamFree(bass_, queue_.stream);
    BASS_Free(bass_);
    BASS_CDFree(bass_);
}

}  // namespace tunedeck
