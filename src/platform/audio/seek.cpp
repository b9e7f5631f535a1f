// Engine positions: moving a stream within its file (a station's cannot be moved).
#include <cmath>

#include "platform/audio/engine.h"
#include "platform/audio/format.h"

namespace tunedeck {

// The stream is replaced by a new one decoding from the place: its old decoder thread and ring
// go with the old stream, so no thread ever sees a decoder or ring being moved under it. A
// playing stream's place in the output's order is taken over under the output's lock; tails of
// earlier files still ahead of it play out.
BOOL AudioEngine::setposition(DWORD handle, QWORD bytes, DWORD mode) {
    if (!initialised_) return fail(BASS_ERROR_INIT);
    poll();
    Channel* channel = find(handle);
    if (!channel) return 0;
    if (mode != BASS_POS_BYTE || channel->stream->live()) return fail(BASS_ERROR_NOTAVAIL);
    const QWORD start = bytes - bytes % kBytesPerFrame;
    if (start > channel->stream->length()) return fail(BASS_ERROR_POSITION);
    std::unique_ptr<Stream> stream;
    try {
        stream = openstream(channel->path, handle, start);
    } catch (...) {
        return openfailed(std::current_exception());
    }
    stream->setgain(channel->stream->gain());  // the file's level goes with it
    // A playing stream whose end is notified but not yet dispatched may have played out of the
    // order already: it plays on from the place all the same.
    if (!output_.replace(channel->stream.get(), stream.get()) && channel->state == State::Playing &&
        !output_.append(stream.get())) {
        return fail(BASS_ERROR_NOCHAN);
    }
    channel->stream = std::move(stream);  // the old one stops its thread here
    channel->endfired = false;
    return ok();
}

QWORD AudioEngine::bytes(DWORD handle, double seconds) {
    if (!initialised_) return fail(BASS_ERROR_INIT), static_cast<QWORD>(-1);
    if (!find(handle)) return static_cast<QWORD>(-1);
    ok();
    if (!(seconds > 0)) return 0;
    const double frames = std::floor(seconds * kOutputRate);
    if (frames >= 1e15) return static_cast<QWORD>(1e15) * kBytesPerFrame;  // absurd, kept finite
    return static_cast<QWORD>(frames) * kBytesPerFrame;
}

}  // namespace tunedeck
