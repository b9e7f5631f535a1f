#include "platform/audio/output.h"

#include <cstring>

#include "platform/audio/format.h"

namespace tunedeck {

void Output::open(const OutputTarget& target, const char* name) {
    close();
    device_ = open_output(target, name, kDeviceFrames, *this);
    running_ = true;
}

void Output::close() noexcept {
    device_.reset();  // the old output closes here, after its last period
    running_ = false;
    order_.fill(nullptr);
    count_ = 0;
}

void Output::setrunning(bool running) {
    if (!device_) return;
    device_->set_running(running);
    running_ = running;
}

bool Output::append(Stream* stream) {
    OutputLock lock(device_.get());
    if (find(stream) < count_) return true;
    if (count_ == kMaxStreams) return false;
    order_[count_++] = stream;
    return true;
}

void Output::remove(Stream* stream) {
    OutputLock lock(device_.get());
    const std::size_t at = find(stream);
    if (at >= count_) return;
    for (std::size_t i = at; i + 1 < count_; ++i) order_[i] = order_[i + 1];
    order_[--count_] = nullptr;
}

bool Output::replace(Stream* stream, Stream* replacement) {
    OutputLock lock(device_.get());
    const std::size_t at = find(stream);
    if (at >= count_) return false;
    order_[at] = replacement;
    return true;
}

bool Output::contains(const Stream* stream) const {
    OutputLock lock(device_.get());
    return find(stream) < count_;
}

void Output::clear() {
    OutputLock lock(device_.get());
    order_.fill(nullptr);
    count_ = 0;
}

std::size_t Output::find(const Stream* stream) const {
    std::size_t at = 0;
    while (at < count_ && order_[at] != stream) ++at;
    return at;
}

void Output::popfront() {
    for (std::size_t i = 0; i + 1 < count_; ++i) order_[i] = order_[i + 1];
    order_[--count_] = nullptr;
}

// Output thread, under the output's lock: copies only, never waits or allocates.
bool Output::fill(uint8_t* out, std::size_t total) noexcept {
    const bool sounding = count_ > 0;
    const std::size_t len = total - total % kBytesPerFrame;
    std::size_t done = 0;
    while (done < len && count_ > 0) {
        Stream* stream = order_[0];
        // Read before pulling: when the decoder had finished, nothing can arrive after the pull.
        const bool decoded = stream->decoded();
        done += stream->pull(out + done, len - done);
        if (decoded && stream->drained()) {
            stream->markplayedout();
            popfront();
        } else if (done < len) {
            break;  // the decoder is behind: silence until it catches up
        }
    }
    std::memset(out + done, 0, total - done);
    return sounding;
}

}  // namespace tunedeck
