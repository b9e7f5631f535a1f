// Playback and queue commands. File mode acts on the play queue and the audio library; CD mode
// sends command strings to the drive.
#include <cstdint>
#include <string>

#include "audio/cdcontrol.h"
#include "commands/commands.h"
#include "commands/mcireply.h"
#include "commands/queueedit.h"

namespace tunedeck {
namespace {

constexpr std::size_t kModeWidth = 7;
constexpr std::size_t kTrackWidth = 2;

std::string cdmode(KeyContext& context) {
    return replyprefix(keystatus(context, "status cd mode"), kModeWidth);
}

// Track number of the drive's position, or empty when the reply holds none.
std::optional<int> cdtrack(KeyContext& context) {
    return replynumber(keystatus(context, "status cd position"), kTrackWidth);
}

void mci(KeyContext& context, const std::string& command) {
    context.browser.mcicommand(command);
}

// Plays queue row `row` or, when it does not start, the next one that does in direction `step`.
// Next and previous go round the queue; the other commands stop at its end, as it plays.
void playrow(KeyContext& context, int row, int step = +1, bool wrap = false) {
    context.browser.playback.playfrom(row, step, wrap);
}

// Next (+1) or previous (-1) track of the disc, when it is playing.
void steptrack(KeyContext& context, int step) {
    const std::string mode = cdmode(context);
    context.view.setstate(mode);
    if (mode != "playing") return;
    const auto track = cdtrack(context);
    if (!track) return;
    const int tracks = context.browser.mode.cdtracks;
    int next = *track + step;
    if (next > tracks) next = 1;
    if (next < 1) next = tracks;
    context.queue().playlistpos = static_cast<int16_t>(next);
    mci(context, "play cd from " + std::to_string(next));
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

void playtrack(KeyContext& context, const ItemRow& item) {
    const std::string mode = cdmode(context);
    if (mode == "playing") {
        const auto track = cdtrack(context);
        if (!track) return;
        context.queue().playlistpos = static_cast<int16_t>(*track);
        const auto wanted = replynumber(item[1], item[1].size());
        if (wanted && *wanted == *track) {
            mci(context, "pause cd");
        } else {
            mci(context, "play cd from " + item[1]);
        }
    } else if (mode == "stopped") {
        mci(context, "play cd");
    }
}

}  // namespace

std::string keystatus(KeyContext& context, const char* command) {
    KeyReplyBuffer& reply = context.reply;
    return querystatus(context.browser.mci, command, reply.data(), reply.size());
}

void exitprogram(KeyContext& context) {
    if (context.cdmode()) mci(context, "stop cd wait");
    context.quit();
}

void togglequeued(KeyContext& context, const ItemRow& item) {
    PlayQueue& queue = context.queue();
    const int f = findqueued(queue, item[1]);
    if (f >= 0) {
        removequeued(queue, f);
        context.view.renderitems();
        return;
    }
    const bool wasempty = queue.playlistcount == 0;
    if (!queue.append(item[0], item[1])) {
        context.cues.soundcue(kCueBang);  // the queue is full
        return;
    }
    if (wasempty) queue.playlistpos = 0;
    context.cues.soundcue(kCuePlaylistAdd);
    context.view.renderitems();
    if (queue.playlistcount == 1) playrow(context, 0);
}

void playitem(KeyContext& context, const ItemRow& item) {
    if (context.cdmode()) {
        playtrack(context, item);
        return;
    }
    PlayQueue& queue = context.queue();
    const int f = findqueued(queue, item[1]);
    if (f < 0) {
        const int16_t pos = queue.playlistpos;  // emptying the queue here keeps playlistpos
        queue.clear();
        queue.playlistpos = pos;
        context.browser.playback.playfile(item[1]);
        context.view.renderitems();
    } else {
        playrow(context, f);
    }
}

void playplaylist(KeyContext& context, const ItemRow& item) {
    loadplaylist(context.browser, item[1]);
    // An empty playlist plays nothing: leftover rows are not the queue.
    playrow(context, context.queue().playlistpos);
}

void playpause(KeyContext& context) {
    if (context.cdmode()) {
        const std::string mode = cdmode(context);
        if (mode == "playing") {
            mci(context, "pause cd");
        } else if (mode == "stopped") {
            mci(context, "play cd");
        }
        return;
    }
    AudioLibrary& bass = context.bass();
    const DWORD stream = context.queue().stream;
    switch (BASS_ChannelIsActive(bass, stream)) {
        case BASS_ACTIVE_PLAYING:
            BASS_ChannelPause(bass, stream);
            break;
        case BASS_ACTIVE_PAUSED:
            BASS_ChannelResume(bass, stream);
            break;
        case BASS_ACTIVE_STOPPED:
            // On a folder or an empty row this fails and nothing plays.
            context.browser.playback.playfile(highlightedrow(context)[1]);
            break;
        default:
            break;
    }
}

void stopplayback(KeyContext& context) {
    if (context.cdmode()) {
        mci(context, "stop cd wait");
    } else {
        BASS_ChannelStop(context.bass(), context.queue().stream);
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
    mci(context, "set cd time format milliseconds");
    const auto position = replyint32(keystatus(context, "status cd position wait"));
    if (position) {
        const int64_t target = static_cast<int64_t>(*position) + milliseconds;
        const std::string command = "play cd from " + std::to_string(target);
        // The drive's answer to a seek is not looked at, also before the start of the disc.
        mciSendStringA(context.browser.mci, command.c_str(), nullptr, 0, nullptr);
    }
    mci(context, "set cd time format tmsf");
}

namespace {

// Redraws the list so its queue marks follow the queue. The letter grid shows no queue marks;
// drawing the list over it would leave the highlight on a grid cell number past the page.
void redrawqueuemarks(KeyContext& context) {
    if (context.state().letterfocus == 0) context.view.renderitems();
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

}  // namespace tunedeck
