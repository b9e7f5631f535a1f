// What the remote sees: the list page as the television shows it, and what plays, read the
// way the tick reads it but at once, so that a change shows on the phone without waiting for
// the next tick. It reads the shared state and changes nothing.
#include <array>

#include "app/application.h"
#include "app/ticktext.h"
#include "commands/commands.h"

namespace tunedeck {

namespace {
constexpr int kMaxDiscTracks = 99;  // the most tracks an audio disc can hold
}  // namespace

void Application::fileplayback(RemoteState& state) {
    Playback& playback = *playback_;
    const PlayState played = playback.state();
    state.state = played == PlayState::Playing  ? "playing"
                  : played == PlayState::Paused ? "paused"
                                                : "stopped";
    const int pos = queue_->playlistpos;
    if (played != PlayState::Stopped) {
        const auto live = playback.livestatus();
        state.playing = live ? stationtrack(*live, queue_->currentname()) : queue_->currentname();
        state.track = pos;
        state.position = wholeseconds(playback.elapsed());
        state.length = wholeseconds(playback.length());  // 0 for a station: it has none
    }
    // N and P step through the queue; L resumes, pauses, or plays the highlighted file.
    state.cannext = state.canprevious = queue_->playlistcount > 0;
    state.canpause = played != PlayState::Stopped;
    const Item* item = highlighted_item(*keys_);
    state.canplay = state.canpause || (item != nullptr && item->kind == ItemKind::Playable);
}

void Application::cdplayback(RemoteState& state) {
    std::array<char, 30> reply{};  // its own: the tick's and the keys' replies stay theirs
    CdDeck cd = makedeck(reply);
    const CdMode mode = cd.mode();
    state.state = mode.playing() ? "playing" : mode.paused() ? "paused" : "stopped";
    if (state.state != "stopped") {
        const auto position = cd.position();
        const Item* item = position ? browse_->items.find(position->track) : nullptr;
        if (position && position->track >= 1 && position->track <= kMaxDiscTracks) {
            state.track = position->track;
            state.playing = item != nullptr ? item->label : "";
            state.position = position->minutes * 60 + position->seconds;
            state.length = cd.track_seconds(position->track).value_or(0);
        }
    }
    // N and P act while the disc plays; L pauses it, or plays it when stopped.
    state.cannext = state.canprevious = state.state == "playing";
    state.canplay = state.state != "paused";
    state.canpause = state.state != "stopped";
}

RemoteState Application::remotestate() {
    RemoteState state;
    state.mode = mode_.mediamode == Mode::Cd ? "cd" : "file";
    const ShownList shown = shownlist(*view_);
    state.title = shown.title;
    state.rows = shown.rows;
    state.icons = shown.icons;
    state.highlight = shown.highlight;
    state.moreabove = shown.moreabove;
    state.morebelow = shown.morebelow;
    if (mode_.mediamode == Mode::Cd)
        cdplayback(state);
    else
        fileplayback(state);
    state.queue = queueline(*queue_);
    state.volume = settings_.volume;
    return state;
}

}  // namespace tunedeck
