// Playback and queue commands. File mode acts on the play queue and the player; CD mode on the
// disc through its deck.
#include <algorithm>
#include <charconv>
#include <string>

#include "commands/commands.h"
#include "commands/queueedit.h"

namespace tunedeck {
namespace {

// Plays queue row `row` or, when it does not start, the next one that does in direction `step`.
// Next and previous go round the queue; the other commands stop at its end, as it plays.
void playrow(KeyContext& context, int row, int step = +1, bool wrap = false) {
    context.playback().playfrom(row, step, wrap);
}

// Next (+1) or previous (-1) track of the disc, when it is playing.
void steptrack(KeyContext& context, int step) {
    CdDeck& cd = context.cd();
    const CdMode mode = cd.mode();
    context.view.setstate(mode.text);
    if (!mode.playing()) return;
    const auto track = cd.track();
    if (!track) return;
    const int tracks = context.browser.mode.cdtracks;
    int next = *track + step;
    if (next > tracks) next = 1;
    if (next < 1) next = tracks;
    context.queue().playlistpos = next;
    cd.play(next);
}

// Next (+1) or previous (-1) queue entry, wrapping at both ends. When the entry playing was
// taken out, playlistpos already stands on the entry before it.
void stepentry(KeyContext& context, int step) {
    PlayQueue& queue = context.queue();
    if (queue.playlistcount <= 0) return;
    int pos = 0;
    if (queue.playlistcount > 1) {
        pos = queue.playlistpos + (step < 0 && queue.takenout ? 0 : step);
        if (pos > queue.playlistcount - 1) pos = 0;
        if (pos < 0) pos = queue.playlistcount - 1;
    }
    playrow(context, pos, step, true);
}

// The track number a disc's item names; empty when its target is none.
std::optional<int> itemtrack(const Item& item) {
    int track = 0;
    const std::string& text = item.target;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), track);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return {};
    return track;
}

// Enter on a track: plays it, pauses it when it is the one playing, resumes a stopped disc.
void playtrack(KeyContext& context, const Item& item) {
    CdDeck& cd = context.cd();
    const CdMode mode = cd.mode();
    if (mode.playing()) {
        const auto track = cd.track();
        if (!track) return;
        context.queue().playlistpos = *track;
        const auto wanted = itemtrack(item);
        if (wanted && *wanted == *track) {
            cd.pause();
        } else if (wanted) {
            cd.play(*wanted);
        }
    } else if (mode.stopped()) {
        cd.resume();
    }
}

}  // namespace

void exitprogram(KeyContext& context) {
    if (context.cdmode()) context.cd().stop();
    context.quit();
}

void togglequeued(KeyContext& context, const Item& item) {
    PlayQueue& queue = context.queue();
    const int f = findqueued(queue, item.target);
    if (f >= 0) {
        removequeued(queue, f);
        context.view.renderitems();
        return;
    }
    const bool wasempty = queue.playlistcount == 0;
    queue.append(item.label, item.target);
    if (wasempty) queue.playlistpos = 0;
    context.cues.soundcue(kCuePlaylistAdd);
    context.view.renderitems();
    if (queue.playlistcount == 1) playrow(context, 0);
}

void playitem(KeyContext& context, const Item& item) {
    if (context.cdmode()) {
        playtrack(context, item);
        return;
    }
    PlayQueue& queue = context.queue();
    const int f = findqueued(queue, item.target);
    if (f < 0) {
        const int pos = queue.playlistpos;  // emptying the queue here keeps playlistpos
        queue.clear();
        queue.playlistpos = pos;
        context.playback().playfile(item.target);
        context.view.renderitems();
    } else {
        playrow(context, f);
    }
}

void playplaylist(KeyContext& context, const Item& item) {
    loadplaylist(context.browser, item.target);
    // An empty playlist plays nothing: leftover rows are not the queue.
    playrow(context, context.queue().playlistpos);
}

void playpause(KeyContext& context) {
    if (context.cdmode()) {
        CdDeck& cd = context.cd();
        const CdMode mode = cd.mode();
        if (mode.playing()) {
            cd.pause();
        } else if (mode.stopped()) {
            cd.resume();
        }
        return;
    }
    Playback& playback = context.playback();
    switch (playback.state()) {
        case PlayState::Playing:
            playback.pause();
            break;
        case PlayState::Paused:
            playback.resume();
            break;
        case PlayState::Stopped: {
            // On a folder or a row past the listing this fails and nothing plays.
            const Item* item = highlighted_item(context);
            playback.playfile(item != nullptr ? item->target : std::string());
            break;
        }
    }
}

void stopplayback(KeyContext& context) {
    if (context.cdmode()) {
        context.cd().stop();
    } else {
        context.playback().stop();
    }
}

void nextentry(KeyContext& context) {
    if (context.cdmode()) {
        steptrack(context, +1);
    } else {
        stepentry(context, +1);
    }
}

void previousentry(KeyContext& context) {
    if (context.cdmode()) {
        steptrack(context, -1);
    } else {
        stepentry(context, -1);
    }
}

void seek(KeyContext& context, int32_t milliseconds) {
    context.cd().seek(milliseconds);
}

bool seekfile(KeyContext& context, double seconds) {
    Playback& playback = context.playback();
    if (context.cdmode() || !playback.active() || !(seconds >= 0)) return false;
    return playback.seek(std::min(seconds, playback.length()));
}

namespace {

// Redraws the list so its queue marks follow the queue. The letter grid shows no queue marks;
// drawing the list over it would leave the highlight on a grid cell number past the page.
void redrawqueuemarks(KeyContext& context) {
    if (!context.state().letterfocus) context.view.renderitems();
}

}  // namespace

void playeverything(KeyContext& context) {
    context.queue().clear();
    scan(context.browser, context.browser.settings_reader.rootpath());
    redrawqueuemarks(context);
}

void queueall(KeyContext& context) {
    queuelisting(context.queue(), context.state());
    redrawqueuemarks(context);
}

void clearqueue(KeyContext& context) {
    context.queue().clear();
    redrawqueuemarks(context);
}

namespace {

bool inqueue(KeyContext& context, int row) {
    const PlayQueue& queue = context.queue();
    return !context.cdmode() && row >= 0 && row < queue.playlistcount;
}

}  // namespace

bool movequeueentry(KeyContext& context, int from, int to) {
    if (!inqueue(context, from) || !inqueue(context, to)) return false;
    movequeued(context.queue(), from, to);
    redrawqueuemarks(context);
    return true;
}

bool removequeueentry(KeyContext& context, int row) {
    if (!inqueue(context, row)) return false;
    removequeued(context.queue(), row);
    redrawqueuemarks(context);
    return true;
}

bool playqueueentry(KeyContext& context, int row) {
    if (!inqueue(context, row)) return false;
    playrow(context, row);
    return true;
}

}  // namespace tunedeck
