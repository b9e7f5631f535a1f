#include "platform/audio/trim.h"

#include <algorithm>
#include <cstdint>

extern "C" {
#include <libavutil/intreadwrite.h>
}

namespace tunedeck {

namespace {

// Start skip and end padding of a frame, as FFmpeg reports them in manual mode.
struct Reported {
    int64_t skip = 0;
    int64_t padding = 0;
};

Reported reported(const AVFrame& frame) {
    const AVFrameSideData* side = av_frame_get_side_data(&frame, AV_FRAME_DATA_SKIP_SAMPLES);
    if (!side || side->size < 8) return {};
    return {AV_RL32(side->data), AV_RL32(side->data + 4)};
}

}  // namespace

void Trim::startat(uint64_t bytes, Start start) {
    passed_ = bytes;
    stamped_ = start == Start::ByTimestamps;
}

Trim::Span Trim::keep(const AVFrame& frame) {
    Reported r = reported(frame);
    if (stamped_) r.skip = 0;
    skip_ = std::min<int64_t>(skip_ + r.skip, INT32_MAX);  // a damaged figure stays bounded
    const int64_t samples = std::max(frame.nb_samples, 0);
    const int64_t skipped = std::min(skip_, samples);
    skip_ -= skipped;
    if ((frame.flags & AV_FRAME_FLAG_DISCARD) && !stamped_)
        return {};  // priming that is no part of the sound
    int64_t count = samples - skipped;
    // Padding as FFmpeg applies it (only when it lies within the frame), unless the frame ends
    // the declared length, where the limit does better. Far before that end it marks where a
    // chained Ogg file's part ends.
    const bool ending = exact_ > 0 && !released_ && passed_ + kMaxHeldBytes >= exact_;
    if (!ending && r.padding > 0 && r.padding <= samples)
        count = std::max<int64_t>(0, count - r.padding);
    return {static_cast<int>(skipped), static_cast<int>(count)};
}

void Trim::limit(std::vector<uint8_t>& out, std::size_t from) {
    const uint64_t incoming = out.size() - from;
    if (exact_ == 0 || released_ || passed_ + incoming <= exact_) {
        passed_ += incoming;
        return;
    }
    const std::size_t within = static_cast<std::size_t>(exact_ > passed_ ? exact_ - passed_ : 0);
    held_.insert(held_.end(), out.begin() + static_cast<std::ptrdiff_t>(from + within), out.end());
    out.resize(from + within);
    passed_ += within;
    if (held_.size() > kMaxHeldBytes) release(out);
}

// The container's length was short of the sound: what was held back plays after all.
void Trim::release(std::vector<uint8_t>& out) {
    out.insert(out.end(), held_.begin(), held_.end());
    passed_ += held_.size();
    held_.clear();
    held_.shrink_to_fit();
    released_ = true;
}

}  // namespace tunedeck
