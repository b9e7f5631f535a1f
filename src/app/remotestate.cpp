// What the remote sees: the list page as the television shows it, and what plays, read the
// way the tick reads it but at once, so that a change shows on the phone without waiting for
// the next tick. It reads the shared state and changes nothing.
#include "app/application.h"
#include "app/audioglue.h"
#include "app/ticktext.h"
#include "commands/commands.h"
#include "commands/mcireply.h"

namespace tunedeck {
namespace {

// The meaning of a row's icon, told by the icon holder whose picture it shows.
std::string iconmeaning(MainScreen& form, int16_t row) {
    const Element* icon = form.imgIcon.get(row);
    if (icon == nullptr || !icon->visible || !icon->picture) return {};
    if (icon->picture == form.imgAlbum.picture) return "folder";
    if (icon->picture == form.imgPlaylisted.picture) return "queued";
    if (icon->picture == form.imgPlaylist.picture) return "playlist";
    if (icon->picture == form.imgMusic.picture) return "music";
    return {};
}

void listpage(MainScreen& form, const BrowseState& browse, RemoteState& state) {
    const bool letters = browse.letterfocus != 0;
    for (int16_t n = 1; n <= kMaxItems; ++n) {
        const Element* label = form.lblItem.get(n);
        if (label == nullptr || !label->visible) break;
        state.rows.push_back(label->caption);
        state.icons.push_back(letters ? "letter" : iconmeaning(form, n));
    }
    // Rows past the end of the listing show nothing on the television.
    while (!state.rows.empty() && state.rows.back().empty() && state.icons.back().empty()) {
        state.rows.pop_back();
        state.icons.pop_back();
    }
    state.highlight = form.shpHighlight.visible ? browse.row : 0;
    state.moreabove = form.lblMoreAbove.visible;
    state.morebelow = form.lblMoreBelow.visible;
}

// "mm:ss" at the start of a reply, in seconds; 0 when it holds none.
int64_t replyminutes(const std::string& reply) {
    const auto minutes = replynumber(reply, 2);
    const auto seconds = replynumber(reply.size() > 3 ? reply.substr(3) : "", 2);
    return minutes && seconds ? *minutes * 60 + *seconds : 0;
}

}  // namespace

void Application::fileplayback(RemoteState& state) {
    AudioLibrary& bass = *bass_;
    const DWORD stream = queue_->stream;
    const DWORD active = BASS_ChannelIsActive(bass, stream);
    state.state = active == BASS_ACTIVE_PLAYING  ? "playing"
                  : active == BASS_ACTIVE_PAUSED ? "paused"
                                                 : "stopped";
    const int pos = queue_->playlistpos;
    if (state.state != "stopped") {
        state.playing = pos >= 0 && pos < kQueueRows ? queue_->playlist[pos][0] : "";
        state.track = pos;
        state.position =
            wholeseconds(bytestoseconds(bass, stream, BASS_ChannelGetPosition(bass, stream)));
        state.length =
            wholeseconds(bytestoseconds(bass, stream, BASS_StreamGetLength(bass, stream)));
    }
    // N and P step through the queue; L resumes, pauses, or plays the highlighted file.
    state.cannext = state.canprevious = queue_->playlistcount > 0;
    state.canpause = state.state != "stopped";
    state.canplay = state.canpause || highlightedrow(*keys_)[2] == kKindPlayable;
}

void Application::cdplayback(RemoteState& state) {
    StatusBuffer30 reply;
    const std::string mode = replyprefix(reply.query(*mci_, "status cd mode"), 7);
    state.state = mode == "playing" ? "playing" : mode == "paused" ? "paused" : "stopped";
    if (state.state != "stopped") {
        const auto position = parsecdposition(reply.query(*mci_, "status cd position"));
        if (position && position->track >= 1 && position->track <= kMaxItems) {
            state.track = position->track;
            state.playing = browse_->items[position->track][0];
            state.position = position->minutes * 60 + position->seconds;
            state.length = replyminutes(
                reply.query(*mci_, "status cd length track " + std::to_string(position->track)));
        }
    }
    // N and P act while the disc plays; L pauses it, or plays it when stopped.
    state.cannext = state.canprevious = state.state == "playing";
    state.canplay = state.state != "paused";
    state.canpause = state.state != "stopped";
}

RemoteState Application::remotestate() {
    RemoteState state;
    state.mode = mode_.mediamode == kCdMode ? "cd" : "file";
    state.title = form_->lblTitle.caption;
    listpage(*form_, *browse_, state);
    if (mode_.mediamode == kCdMode)
        cdplayback(state);
    else
        fileplayback(state);
    state.queue = queueline(*queue_);
    return state;
}

}  // namespace tunedeck
