// Engine streams: creation, play state, position and length, release.
#include <new>

#include "platform/audio/engine.h"
#include "platform/audio/format.h"
#include "platform/audio/gainramp.h"

namespace tunedeck {

AudioEngine::Channel* AudioEngine::find(DWORD handle) {
    const auto it = channels_.find(handle);
    if (it == channels_.end()) {
        fail(BASS_ERROR_HANDLE);
        return nullptr;
    }
    return &it->second;
}

HSTREAM AudioEngine::createfile(const char* path) {
    if (!initialised_) return fail(BASS_ERROR_INIT);
    poll();
    if (!path) return fail(BASS_ERROR_FILEOPEN);
    try {
        const HSTREAM handle = nexthandle_;
        auto stream = openstream(path, handle, 0);
        nexthandle_ = nexthandle_ + 1 == 0 ? 1 : nexthandle_ + 1;
        Channel& channel = channels_[handle];
        channel.path = path;
        channel.stream = std::move(stream);
        ok();
        return handle;
    } catch (...) {
        return openfailed(std::current_exception());
    }
}

// A stream of the file at `path` under `handle`, decoding from `start` bytes on. Throws what
// the decoder throws.
std::unique_ptr<Stream> AudioEngine::openstream(const std::string& path, HSTREAM handle,
                                                uint64_t start) {
    auto decoder = std::make_unique<Decoder>(path);
    if (start > 0 && !decoder->seek(start)) {
        decoder = std::make_unique<Decoder>(path);
        decoder->skip(start);
    }
    return std::make_unique<Stream>(std::move(decoder), bufferbytes_, endnotice(handle), start);
}

// What a stream under `handle` runs at its end: it only posts the engine's event.
std::function<void()> AudioEngine::endnotice(HSTREAM handle) const {
    return [engine = static_cast<const void*>(this), token = token_, handle] {
        postevent(engine, token, handle);
    };
}

// The library's code for a file that could not be opened as a stream.
BOOL AudioEngine::openfailed(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const DecoderOpenError& e) {
        return fail(e.kind() == DecoderOpenError::Kind::File ? BASS_ERROR_FILEOPEN
                                                             : BASS_ERROR_FORMAT);
    } catch (const std::bad_alloc&) {
        return fail(BASS_ERROR_MEM);
    } catch (...) {
        return fail(BASS_ERROR_UNKNOWN);
    }
}

BOOL AudioEngine::play(HSTREAM handle) {
    if (!initialised_) return fail(BASS_ERROR_INIT);
    poll();
    Channel* channel = find(handle);
    if (!channel) return 0;
    if (!ensureoutput()) return fail(BASS_ERROR_DRIVER);
    if (!output_.running()) return fail(BASS_ERROR_START);
    Stream& stream = *channel->stream;
    if (!stream.playedout() && !output_.append(&stream)) return fail(BASS_ERROR_NOCHAN);
    channel->state = State::Playing;
    // A notification ignored while the stream was paused or stopped is raised again.
    if (stream.endingraised()) postend(handle);
    return ok();
}

BOOL AudioEngine::pause(DWORD handle) {
    if (!initialised_) return fail(BASS_ERROR_INIT);
    poll();
    Channel* channel = find(handle);
    if (!channel) return 0;
    if (channel->state != State::Playing || channel->stream->playedout()) {
        return fail(BASS_ERROR_NOPLAY);
    }
    output_.remove(channel->stream.get());
    channel->state = State::Paused;
    return ok();
}

BOOL AudioEngine::resume(DWORD handle) {
    if (!initialised_) return fail(BASS_ERROR_INIT);
    poll();
    Channel* channel = find(handle);
    if (!channel) return 0;
    if (channel->state != State::Paused) return fail(BASS_ERROR_NOPAUSE);
    return play(handle);
}

// Stopping a stream from its own end notification keeps its buffered tail in the output: it
// plays out while the stream already reports stopped, and a stream started next follows it
// without a gap. Any other stop silences at once, the tails still ahead of the stream included.
BOOL AudioEngine::stopchannel(DWORD handle) {
    if (!initialised_) return fail(BASS_ERROR_INIT);
    poll();
    Channel* channel = find(handle);
    if (!channel) return 0;
    if (!channel->endfired || channel->state != State::Playing) silence(*channel);
    channel->state = State::Stopped;
    return ok();
}

void AudioEngine::silence(Channel& channel) {
    output_.remove(channel.stream.get());
    for (const auto& tail : draining_) output_.remove(tail.get());
    draining_.clear();
}

void AudioEngine::freestream(HSTREAM handle) {
    if (!initialised_) {
        fail(BASS_ERROR_INIT);
        return;
    }
    poll();
    const auto it = channels_.find(handle);
    if (it == channels_.end()) {
        fail(BASS_ERROR_HANDLE);
        return;
    }
    detach(it->second);
    retire(std::move(it->second.stream));
    channels_.erase(it);
    ok();
}

// A station's stream may be waiting on the network: it is told to stop and freed later by
// poll(). A file's stops at once.
void AudioEngine::retire(std::unique_ptr<Stream> stream) {
    if (!stream || !stream->live()) return;
    stream->requeststop();
    closing_.push_back(std::move(stream));
}

// Only a stream whose end has been notified leaves its tail to play out: freeing one earlier
// (the next file chosen by hand) cuts it, so that the next file is not held up behind it.
void AudioEngine::detach(Channel& channel) {
    Stream* stream = channel.stream.get();
    if (channel.endfired && !stream->playedout() && output_.contains(stream)) {
        draining_.push_back(std::move(channel.stream));
    } else {
        output_.remove(stream);
    }
}

DWORD AudioEngine::active(DWORD handle) {
    if (!initialised_) return fail(BASS_ERROR_INIT);
    poll();
    const Channel* channel = find(handle);
    if (!channel) return BASS_ACTIVE_STOPPED;
    ok();
    if (channel->state == State::Paused) return BASS_ACTIVE_PAUSED;
    if (channel->state == State::Playing && !channel->stream->playedout()) {
        return BASS_ACTIVE_PLAYING;
    }
    return BASS_ACTIVE_STOPPED;
}

QWORD AudioEngine::position(DWORD handle) {
    if (!initialised_) return fail(BASS_ERROR_INIT), static_cast<QWORD>(-1);
    poll();
    const Channel* channel = find(handle);
    if (!channel) return static_cast<QWORD>(-1);
    ok();
    return channel->stream->position();
}

// A station has no length.
QWORD AudioEngine::length(DWORD handle) {
    if (!initialised_) return fail(BASS_ERROR_INIT), static_cast<QWORD>(-1);
    const Channel* channel = find(handle);
    if (!channel) return static_cast<QWORD>(-1);
    if (channel->stream->live()) return fail(BASS_ERROR_NOTAVAIL), static_cast<QWORD>(-1);
    ok();
    return channel->stream->length();
}

// The volume needs no open output: it is the output's setting, kept while it closes and opens.
BOOL AudioEngine::setvolume(float position) {
    if (!(position >= 0 && position <= 1)) return fail(BASS_ERROR_ILLPARAM);
    volume_ = position;
    output_.setvolume(volumegain(position));
    return ok();
}

// The largest gain a stream may be given: +60 dB, what any loudness tag may ask.
constexpr float kMaxStreamGain = 1000.0f;

BOOL AudioEngine::setattribute(DWORD handle, DWORD attrib, float value) {
    if (!initialised_) return fail(BASS_ERROR_INIT);
    Channel* channel = find(handle);
    if (!channel) return 0;
    if (attrib != BASS_ATTRIB_VOL) return fail(BASS_ERROR_ILLTYPE);
    if (!(value >= 0 && value <= kMaxStreamGain)) return fail(BASS_ERROR_ILLPARAM);
    channel->stream->setgain(value);
    return ok();
}

BOOL AudioEngine::getattribute(DWORD handle, DWORD attrib, float* value) {
    if (!initialised_) return fail(BASS_ERROR_INIT);
    Channel* channel = find(handle);
    if (!channel) return 0;
    if (attrib != BASS_ATTRIB_VOL) return fail(BASS_ERROR_ILLTYPE);
    if (value == nullptr) return fail(BASS_ERROR_ILLPARAM);
    *value = channel->stream->gain();
    return ok();
}

BOOL AudioEngine::loudnesstags(DWORD handle, LoudnessTags* tags) {
    if (!initialised_) return fail(BASS_ERROR_INIT);
    Channel* channel = find(handle);
    if (!channel) return 0;
    if (tags == nullptr) return fail(BASS_ERROR_ILLPARAM);
    *tags = channel->stream->loudness();
    return ok();
}

float AudioEngine::seconds(DWORD handle, QWORD bytes) {
    if (!initialised_) return fail(BASS_ERROR_INIT), -1.0f;
    if (!find(handle)) return -1.0f;
    ok();
    return static_cast<float>(static_cast<double>(bytes) / kBytesPerSecond);
}

}  // namespace tunedeck
