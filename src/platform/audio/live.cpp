// Engine streams of stations on the network.
#include <new>

#include "platform/audio/engine.h"
#include "platform/audio/format.h"

namespace tunedeck {

namespace {
// A station's ring holds this much sound: the network's hiccups are bridged by it, and nothing
// waits on a station's end, so a long ring costs only its memory.
constexpr std::size_t kLiveBufferBytes = 4 * kBytesPerSecond;
}  // namespace

HSTREAM AudioEngine::createurl(const char* url) {
    if (!initialised_) return fail(BASS_ERROR_INIT);
    poll();
    if (!url || !isradioaddress(url)) return fail(BASS_ERROR_FILEOPEN);
    try {
        const HSTREAM handle = nexthandle_;
        auto source = std::make_unique<RadioSource>(url);
        const RadioSource* radio = source.get();
        auto stream =
            std::make_unique<Stream>(std::move(source), kLiveBufferBytes, endnotice(handle));
        nexthandle_ = nexthandle_ + 1 == 0 ? 1 : nexthandle_ + 1;
        Channel& channel = channels_[handle];
        channel.path = url;
        channel.stream = std::move(stream);
        channel.radio = radio;
        ok();
        return handle;
    } catch (...) {
        return openfailed(std::current_exception());
    }
}

BOOL AudioEngine::livestatus(DWORD handle, LiveStatus* status) {
    if (!initialised_) return fail(BASS_ERROR_INIT);
    poll();
    const Channel* channel = find(handle);
    if (!channel) return 0;
    if (channel->radio == nullptr) return fail(BASS_ERROR_NOTAVAIL);
    if (status == nullptr) return fail(BASS_ERROR_ILLPARAM);
    *status = channel->radio->status();
    return ok();
}

}  // namespace tunedeck
