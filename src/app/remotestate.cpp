// What the remote sees: the list page as the television shows it, and what plays, read the
// way the tick reads it but at once, so that a change shows on the phone without waiting for
// the next tick. It reads the shared state and changes nothing.
#include <algorithm>
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
        // A station cannot be wound, and has no file to read tags or a cover from: the title
        // it sends stands for its tags.
        state.canseek = !live;
        if (live) {
            state.tagtitle = live->title;
        } else {
            tagsandcover(state, playback.playingpath());
        }
    }
    // N and P step through the queue; L resumes, pauses, or plays the highlighted file.
    state.cannext = state.canprevious = queue_->playlistcount > 0;
    state.canpause = played != PlayState::Stopped;
    const Item* item = highlighted_item(*keys_);
    state.canplay = state.canpause || (item != nullptr && item->kind == ItemKind::Playable);
}

void Application::tagsandcover(RemoteState& state, const std::string& musicfile) {
    if (!nowplaying_) return;
    nowplaying_->follow(musicfile);
    const FileTags& tags = nowplaying_->tags();
    state.tagtitle = tags.title;
    state.tagartist = tags.artist;
    state.tagalbum = tags.album;
    state.tracknumber = tags.track;
    state.cover = nowplaying_->cover();
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

void Application::queueentries(RemoteState& state) {
    const PlayQueue& queue = *queue_;
    const int count = std::max(queue.playlistcount, 0);
    if (queue.revision != queuenames_.revision() || queuenames_.size() != std::size_t(count)) {
        const bool grown = queue.reshapes == queuereshapes_;
        queuenames_ =
            QueueNames(grown ? &queuenames_ : nullptr, static_cast<std::size_t>(count),
                       queue.revision, [&queue](std::size_t i) { return queue.playlist.name(i); });
        queuereshapes_ = queue.reshapes;
    }
    state.queuenames = queuenames_;
    // A file taken out of the queue plays on, but it is no entry of it.
    const bool plays = mode_.mediamode == Mode::File && state.state != "stopped";
    if (plays && !queue.takenout && queue.playlistpos >= 0 && queue.playlistpos < count)
        state.queueplaying = queue.playlistpos;
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
    queueentries(state);
    state.seeks = seeks_;
    return state;
}

}  // namespace tunedeck
