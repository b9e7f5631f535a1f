#include "platform/audio/stream.h"

#include <algorithm>
#include <chrono>

#include "platform/audio/format.h"

namespace tunedeck {

namespace {
// The decoder, finding the ring full, sleeps until the output has freed this share of it, so
// that it writes in a few bursts a second instead of waking for every block; the rest of the
// ring keeps playing meanwhile.
constexpr std::size_t kRefillShare = 2;  // a half
// Bounds of that sleep: the output may be paused (nothing drains) or the ring tiny.
constexpr auto kMinRefillWait = std::chrono::milliseconds(1);
constexpr auto kMaxRefillWait = std::chrono::milliseconds(200);
// What the first decoding gives the ring before the stream is handed to the output: the first
// device period after the start is then sound throughout, even when the decoder thread has not
// run yet (a codec's first block can be short: Vorbis, or Opus less its pre-skip).
constexpr std::size_t kStartBytes = 2 * kDeviceFrames * kBytesPerFrame;
// How often a decoded stream looks whether the output has reached it: the UI thread's time to
// start the next file is what is left of this stream less this.
constexpr auto kEndingPoll = std::chrono::milliseconds(2);
}  // namespace

Stream::Stream(std::unique_ptr<Source> source, std::size_t bufferbytes,
               std::function<void()> onending, uint64_t start)
    : source_(std::move(source)),
      live_(source_->live()),
      ring_(bufferbytes),
      onending_(std::move(onending)),
      expected_(source_->lengthbytes()),
      position_(start),
      produced_(start) {
    if (!live_) prefill();
    thread_ = std::thread([this] { run(); });
}

// Decodes the first blocks on the caller's thread, so that the output's next callback finds
// sound even when the decoder thread has not been scheduled yet: the start of a file then
// waits for at most one device period, not for a busy machine's scheduler.
void Stream::prefill() noexcept {
    try {
        bool more = true;
        std::vector<uint8_t> block;
        while (more && pending_.size() < kStartBytes) {
            block.clear();
            more = source_->decode(block);
            pending_.insert(pending_.end(), block.begin(), block.end());
        }
        const std::size_t fitted = ring_.write(pending_.data(), pending_.size());
        produced_.fetch_add(fitted, std::memory_order_acq_rel);
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(fitted));
        if (!more) prefillended_ = true;
    } catch (...) {
        prefillended_ = true;  // the file ends where it failed, as it would on the thread
    }
}

Stream::~Stream() {
    requeststop();
    thread_.join();
}

void Stream::requeststop() {
    stopping_.store(true);
    source_->abort();
    { std::lock_guard lock(mutex_); }
    wake_.notify_all();
}

uint64_t Stream::length() const {
    if (decoded()) return produced_.load(std::memory_order_acquire);
    return std::max(expected_, produced_.load(std::memory_order_acquire));
}

std::size_t Stream::pull(uint8_t* dest, std::size_t count) {
    reached_.store(true, std::memory_order_release);
    const std::size_t n = ring_.read(dest, count);
    position_.fetch_add(n, std::memory_order_acq_rel);
    return n;
}

void Stream::run() noexcept {
    runsource();
    finished_.store(true, std::memory_order_release);
}

void Stream::runsource() noexcept {
    try {
        decodeall();
    } catch (...) {
        // A failure mid-file ends the stream where it stands, like its natural end.
    }
    if (stopping_.load()) return;
    decoded_.store(true, std::memory_order_release);
    if (!waitforoutput()) return;
    endingraised_.store(true, std::memory_order_release);
    onending_();
}

// Waits until the output plays this stream; false when the stream is being destroyed.
bool Stream::waitforoutput() {
    std::unique_lock lock(mutex_);
    while (!reached_.load(std::memory_order_acquire)) {
        if (wake_.wait_for(lock, kEndingPoll, [this] { return stopping_.load(); })) return false;
    }
    return !stopping_.load();
}

void Stream::decodeall() {
    if (!pending_.empty() && !push(pending_)) return;  // what did not fit in the ring
    if (prefillended_) return;
    std::vector<uint8_t> block;
    while (!stopping_.load()) {
        block.clear();
        const bool more = source_->decode(block);
        if (!push(block) || !more) return;
    }
}

// How long the output takes to free a share of the ring at the output's byte rate.
std::chrono::microseconds Stream::refillwait() const {
    const std::size_t wanted = ring_.capacity() / kRefillShare;
    const std::size_t room = ring_.capacity() - ring_.size();
    const std::size_t missing = wanted > room ? wanted - room : 0;
    const std::chrono::microseconds wait(missing * 1'000'000 / kBytesPerSecond);
    return std::clamp<std::chrono::microseconds>(wait, kMinRefillWait, kMaxRefillWait);
}

// Waits for room as the output drains; false when the stream is being destroyed.
bool Stream::push(const std::vector<uint8_t>& block) {
    std::size_t done = 0;
    while (done < block.size()) {
        done += ring_.write(block.data() + done, block.size() - done);
        if (done == block.size()) break;
        std::unique_lock lock(mutex_);
        if (wake_.wait_for(lock, refillwait(), [this] { return stopping_.load(); })) return false;
    }
    produced_.fetch_add(block.size(), std::memory_order_acq_rel);
    return !stopping_.load();
}

}  // namespace tunedeck
