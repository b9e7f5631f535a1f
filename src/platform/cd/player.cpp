#include "platform/cd/player.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>

#include "platform/audio/format.h"
#include "platform/cd/errors.h"

namespace tunedeck::cd {

namespace {
using namespace std::chrono_literals;

constexpr uint32_t kChunkSectors = 8;  // about 0.1 s a read
constexpr size_t kChunkSamples = kChunkSectors * kFramesPerSector * 2;
constexpr size_t kChunkBytes = kChunkSamples * sizeof(int16_t);
constexpr size_t kRingBytes = kBytesPerSecond / 2;  // half a second
constexpr int kCdDeviceFrames = 2048;               // a period of SDL's device, ~46 ms
static_assert(kSampleRate == kOutputRate, "a disc plays in the output's format as it is");

// The reader sleeps while the output makes room or plays a stretch out; within these bounds,
// as a paused output frees nothing and a tiny remainder would make it spin.
constexpr auto kMinWait = 1ms;
constexpr auto kMaxWait = 200ms;

std::chrono::microseconds play_time(size_t bytes) {
    const std::chrono::microseconds time(bytes * 1'000'000 / kBytesPerSecond);
    return std::clamp<std::chrono::microseconds>(time, kMinWait, kMaxWait);
}

}  // namespace

Player::Player(Drive& drive, OutputTarget output)
    : drive_(drive), target_(std::move(output)), ring_(kRingBytes) {}

Player::~Player() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    if (reader_.joinable()) reader_.join();
    output_.reset();
}

void Player::startoutput() {
    if (!output_) {
        try {
            output_ = open_output(target_, nullptr, kCdDeviceFrames, *this);
        } catch (const OutputSettingError&) {
            throw CdError(Error::OutputSetting);
        } catch (const std::exception&) {
            throw CdError(Error::AudioOutput);
        }
    }
    if (!reader_.joinable()) reader_ = std::thread([this] { readerloop(); });
}

void Player::play(std::vector<AudioRange> ranges) {
    if (ranges.empty()) return;
    startoutput();
    {
        OutputLock hold(output_.get());
        std::lock_guard lock(mutex_);
        ++generation_;
        ring_.clear();
        ranges_ = std::move(ranges);
        rangeindex_ = 0;
        readpos_ = ranges_.front().begin;
        outpos_ = readpos_;
        readerdone_ = false;
        paused_ = false;
        active_ = true;
    }
    wake_.notify_all();
}

void Player::pause() {
    OutputLock hold(output_.get());
    if (active_) paused_ = true;
}

void Player::resume() {
    OutputLock hold(output_.get());
    paused_ = false;
}

void Player::stop() {
    OutputLock hold(output_.get());
    std::lock_guard lock(mutex_);
    halt();
}

void Player::halt() {
    ++generation_;
    active_ = false;
    paused_ = false;
    ring_.clear();
    readpos_ = outpos_;
}

void Player::seek(int64_t frame) {
    OutputLock hold(output_.get());
    std::lock_guard lock(mutex_);
    halt();
    readpos_ = frame;
    outpos_ = frame;
}

PlayState Player::state() {
    if (output_ && output_->lost()) {
        // Nothing plays any more: stop where the output got to; the next play reopens it.
        output_.reset();
        stop();
    }
    if (!active_) return PlayState::Stopped;
    return paused_ ? PlayState::Paused : PlayState::Playing;
}

// Output thread: copies what is ready and pads with silence; never waits for the reader.
bool Player::fill(uint8_t* out, size_t bytes) noexcept {
    const bool playing = active_.load() && !paused_.load();
    size_t taken = 0;
    if (playing) {
        // Read before taking: once the reader is done, nothing arrives after the take.
        const bool done = readerdone_.load();
        taken = ring_.read(out, bytes - bytes % kBytesPerFrame);
        if (taken > 0) outpos_.fetch_add(int64_t(taken / kBytesPerFrame));
        // The device's buffers are aligned for any sample type.
        ramp_.apply(reinterpret_cast<int16_t*>(out), taken / kBytesPerFrame, volume_.load());
        if (done && ring_.size() == 0) active_ = false;
    }
    std::memset(out + taken, 0, bytes - taken);
    return playing;
}

void Player::readerloop() noexcept {
    std::vector<int16_t> buffer(kChunkSamples);
    std::unique_lock lock(mutex_);
    while (!quit_) {
        if (!active_ || readerdone_) {
            wake_.wait(lock);
        } else if (const size_t room = ring_.capacity() - ring_.size(); room < kChunkBytes) {
            wake_.wait_for(lock, play_time(kChunkBytes - room));
        } else if (readpos_ >= ranges_[rangeindex_].end) {
            if (!nextrange()) wake_.wait_for(lock, play_time(ring_.size()));
        } else if (!readchunk(lock, buffer)) {
            // The disc went away or cannot be read: stop where the output got to. The ring is
            // the output's to read; the next play or seek empties it.
            ++generation_;
            active_ = false;
            readpos_ = outpos_;
        }
    }
}

// Moves to the next audio stretch once the output has played the last one out, so that the
// position jumps only when the listener hears the jump; or marks the reading complete.
// False when the output has not played the current stretch out yet.
bool Player::nextrange() {
    if (rangeindex_ + 1 >= ranges_.size()) {
        readerdone_ = true;
        return true;
    }
    if (ring_.size() != 0) return false;
    ++rangeindex_;
    readpos_ = ranges_[rangeindex_].begin;
    outpos_ = readpos_;  // the output takes nothing meanwhile: the ring is empty
    return true;
}

// Reads one chunk with the lock released; false on a read failure of the current play.
bool Player::readchunk(std::unique_lock<std::mutex>& lock, std::vector<int16_t>& buffer) {
    const int64_t end = ranges_[rangeindex_].end;
    const auto lsn = int32_t(readpos_ / kFramesPerSector);
    const int64_t skip = readpos_ % kFramesPerSector;
    const auto count = uint32_t(std::min<int64_t>(
        kChunkSectors,
        (end - int64_t(lsn) * kFramesPerSector + kFramesPerSector - 1) / kFramesPerSector));
    const uint64_t generation = generation_;
    lock.unlock();
    bool ok = drive_.readaudio(lsn, count, buffer.data());
    lock.lock();
    if (generation != generation_) return true;  // stopped or moved meanwhile: discard
    if (!ok) return false;
    int64_t frames = std::min(int64_t(count) * kFramesPerSector - skip, end - readpos_);
    ring_.write(reinterpret_cast<const uint8_t*>(buffer.data() + skip * 2),
                size_t(frames) * kBytesPerFrame);
    readpos_ += frames;
    return true;
}

}  // namespace tunedeck::cd
