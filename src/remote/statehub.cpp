#include "remote/statehub.h"

#include <algorithm>

namespace tunedeck {

bool StateHub::publish(const RemoteState& state) {
    {
        std::lock_guard lock(mutex_);
        if (version_ != 0 && state == state_) return false;
        state_ = state;
        ++version_;
    }
    changed_.notify_all();
    if (listener_) listener_();
    return true;
}

void StateHub::setlistener(std::function<void()> listener) {
    listener_ = std::move(listener);
}

StateHub::Versioned StateHub::latest() const {
    std::lock_guard lock(mutex_);
    return {state_, version_};
}

uint64_t StateHub::openstream() {
    std::lock_guard lock(mutex_);
    if (streams_.size() >= kMaxStreams) streams_.pop_front();
    streams_.push_back(nextstream_);
    changed_.notify_all();  // the stream taken over notices at once
    return nextstream_++;
}

void StateHub::endstream(uint64_t stream) {
    std::lock_guard lock(mutex_);
    std::erase(streams_, stream);
}

bool StateHub::live(uint64_t stream) const {
    return !closed_ && std::find(streams_.begin(), streams_.end(), stream) != streams_.end();
}

StateHub::Wake StateHub::waitnewer(uint64_t stream, uint64_t seen,
                                   std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    const bool woken =
        changed_.wait_for(lock, timeout, [&] { return !live(stream) || version_ > seen; });
    if (!live(stream)) return Wake::Ended;
    return woken ? Wake::Newer : Wake::Timeout;
}

void StateHub::close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    changed_.notify_all();
}

}  // namespace tunedeck
