#include "platform/cd/player.h"

#include <algorithm>
#include <cstring>

namespace tunedeck::cd {

namespace {
constexpr uint32_t chunksectors = 8;  // about 0.1 s a read
constexpr size_t chunksamples = chunksectors * framespersector * 2;
constexpr size_t ringsamples = size_t(samplerate) * 2 / 2;  // half a second
}  // namespace

Player::Player(Drive& drive) : drive_(drive), ring_(ringsamples) {}

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
    if (!output_) output_.emplace(&Player::callback, this);
    if (!reader_.joinable()) reader_ = std::thread([this] { readerloop(); });
}

void Player::play(std::vector<AudioRange> ranges) {
    if (ranges.empty()) return;
    startoutput();
    {
        std::lock_guard lock(mutex_);
        ++generation_;
        ring_.clear();
        ranges_ = std::move(ranges);
        rangeindex_ = 0;
        readpos_ = outpos_ = ranges_.front().begin;
        active_ = true;
        paused_ = false;
        readerdone_ = false;
    }
    wake_.notify_all();
}

void Player::pause() {
    std::lock_guard lock(mutex_);
    if (active_) paused_ = true;
}

void Player::resume() {
    std::lock_guard lock(mutex_);
    paused_ = false;
}

void Player::stop() {
    std::lock_guard lock(mutex_);
    halt();
}

void Player::halt() {
    ++generation_;
    active_ = paused_ = false;
    ring_.clear();
    readpos_ = outpos_;
}

void Player::seek(int64_t frame) {
    std::lock_guard lock(mutex_);
    halt();
    readpos_ = outpos_ = frame;
}

int64_t Player::position() {
    std::lock_guard lock(mutex_);
    return outpos_;
}

PlayState Player::state() {
    if (output_ && output_->lost()) {
        // Nothing plays any more: stop where the output got to; the next play reopens it.
        output_.reset();  // outside the lock: closing waits for a running callback
        stop();
    }
    std::lock_guard lock(mutex_);
    if (!active_) return PlayState::Stopped;
    return paused_ ? PlayState::Paused : PlayState::Playing;
}

void SDLCALL Player::callback(void* self, Uint8* stream, int bytes) {
    static_cast<Player*>(self)->fill(reinterpret_cast<int16_t*>(stream), size_t(bytes) / 2);
}

// Audio thread: copies what is ready, pads with silence. The lock is held only for the copy.
void Player::fill(int16_t* out, size_t samples) {
    size_t taken = 0;
    {
        std::lock_guard lock(mutex_);
        if (active_ && !paused_) {
            taken = ring_.pop(out, samples);
            outpos_ += int64_t(taken / 2);
            if (ring_.empty() && readerdone_) active_ = false;
        }
    }
    if (taken > 0) wake_.notify_all();
    std::memset(out + taken, 0, (samples - taken) * sizeof(int16_t));
}

void Player::readerloop() noexcept {
    std::vector<int16_t> buffer(chunksamples);
    std::unique_lock lock(mutex_);
    while (!quit_) {
        if (!active_ || readerdone_ || ring_.room() < chunksamples) {
            wake_.wait(lock);
        } else if (readpos_ >= ranges_[rangeindex_].end) {
            if (!nextrange()) wake_.wait(lock);
        } else if (!readchunk(lock, buffer)) {
            halt();  // the disc went away or cannot be read: stop where the output got to
        }
    }
}

// Moves to the next audio stretch once the output has played the last one out, so that the
// position jumps only when the listener hears the jump; or marks the reading complete.
// False when the output has not played the current stretch out yet.
bool Player::nextrange() {
    if (rangeindex_ + 1 >= ranges_.size()) {
        readerdone_ = true;
        if (ring_.empty()) active_ = false;
        return true;
    }
    if (!ring_.empty()) return false;
    ++rangeindex_;
    readpos_ = outpos_ = ranges_[rangeindex_].begin;
    return true;
}

// Reads one chunk with the lock released; false on a read failure of the current play.
bool Player::readchunk(std::unique_lock<std::mutex>& lock, std::vector<int16_t>& buffer) {
    const int64_t end = ranges_[rangeindex_].end;
    const auto lsn = int32_t(readpos_ / framespersector);
    const int64_t skip = readpos_ % framespersector;
    const auto count = uint32_t(std::min<int64_t>(
        chunksectors,
        (end - int64_t(lsn) * framespersector + framespersector - 1) / framespersector));
    const uint64_t generation = generation_;
    lock.unlock();
    bool ok = drive_.readaudio(lsn, count, buffer.data());
    lock.lock();
    if (generation != generation_) return true;  // stopped or moved meanwhile: discard
    if (!ok) return false;
    int64_t frames = std::min(int64_t(count) * framespersector - skip, end - readpos_);
    ring_.push(buffer.data() + skip * 2, size_t(frames) * 2);
    readpos_ += frames;
    return true;
}

}  // namespace tunedeck::cd
