// End-of-stream notifications: raised on the decoder thread (or on the UI thread when a stream
// that has already been decoded to its end starts playing), carried by one SDL user event, and
// run on the UI thread by dispatch().
#include "platform/audio/engine.h"

namespace tunedeck {

HSYNC AudioEngine::setsync(DWORD handle, DWORD type, SYNCPROC proc, DWORD user) {
    if (!initialised_) return fail(BASS_ERROR_INIT);
    Channel* channel = find(handle);
    if (!channel) return 0;
    if (type != BASS_SYNC_END) return fail(BASS_ERROR_ILLTYPE);
    if (!proc) return fail(BASS_ERROR_ILLPARAM);
    const HSYNC sync = nextsync_++;
    if (nextsync_ == 0) nextsync_ = 1;
    channel->syncs.push_back(Sync{sync, std::move(proc), user});
    ok();
    return sync;
}

// Any thread: only posts the event.
void AudioEngine::postevent(const void* engine, uintptr_t token, HSTREAM handle) {
    SDL_Event event{};
    event.type = synceventtype();
    event.user.code = static_cast<Sint32>(handle);
    event.user.data1 = const_cast<void*>(engine);
    event.user.data2 = reinterpret_cast<void*>(token);
    // A full event queue loses the notification; nothing better can be done from here.
    SDL_PushEvent(&event);
}

void AudioEngine::postend(HSTREAM handle) const {
    postevent(this, token_, handle);
}

// The procedures run once per stream, and only while it plays: a stream paused, stopped or
// freed before the event arrives does not notify (resuming or replaying it posts again).
bool AudioEngine::dispatch(const SDL_Event& event) {
    if (event.type != synceventtype()) return false;
    if (event.user.data1 != this || reinterpret_cast<uintptr_t>(event.user.data2) != token_) {
        return true;
    }
    const auto handle = static_cast<HSTREAM>(event.user.code);
    poll();
    const auto it = channels_.find(handle);
    if (it == channels_.end()) return true;
    Channel& channel = it->second;
    // A stream moved within its file since the event was posted has not reached its end.
    if (channel.endfired || channel.state != State::Playing || !channel.stream->endingraised()) {
        return true;
    }
    channel.endfired = true;
    const std::vector<Sync> syncs = channel.syncs;  // a procedure may free the stream
    for (const Sync& sync : syncs) sync.proc(sync.handle, handle, 0, sync.user);
    return true;
}

}  // namespace tunedeck
