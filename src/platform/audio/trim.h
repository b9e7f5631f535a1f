// Encoder delay and padding taken off decoded audio, so that consecutive files join without a
// gap and play for exactly the length their container declares.
//
// FFmpeg reports delay and padding instead of applying them (the codec is opened with
// AV_CODEC_FLAG2_SKIP_MANUAL): its own end trimming takes 128 samples too many off Vorbis in
// Ogg and none off AAC in MP4. The start: frames marked for discarding (MP4 priming) are
// dropped and the reported start skip (Opus pre-skip, MP3 encoder delay) is taken off the
// first samples, across frames when it is longer than one. The end: with a sample-exact length
// from the container, the output stops there; what comes past it is held back and dropped at
// the end of the file, unless more than kMaxHeldBytes come, which shows the container's figure
// to be wrong (a chained Ogg file reports its last part only): then everything plays. Without
// such a length, the end padding FFmpeg reports is taken off.
// Used by the one thread that decodes.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/audio/format.h"

extern "C" {
#include <libavutil/frame.h>
}

namespace tunedeck {

class Trim {
  public:
    // More than any encoder pads with (AAC about 2,000 samples, Opus at most 120 ms).
    static constexpr std::size_t kMaxHeldBytes = kBytesPerSecond / 4;

    // The part of a decoded frame that plays, in samples at the frame's own rate.
    struct Span {
        int first = 0;
        int count = 0;
    };

    // `exact_bytes`: the container's sample-exact length in output bytes; 0 when it has none.
    explicit Trim(uint64_t exact_bytes) : exact_(exact_bytes) {}

    // How the decoding that follows startat() reaches the place: from the file's start, with
    // its encoder delay and priming to take off as usual; or from a seek, whose timestamps
    // already place every frame, so that what the start of the file reports no longer applies.
    enum class Start { FromTheStart, ByTimestamps };
    // The sound passed on begins `bytes` output bytes into the file (the end limit counts from
    // there).
    void startat(uint64_t bytes, Start start);

    Span keep(const AVFrame& frame);
    // Passes the output bytes from `from` to the end of `out` through the end limit; bytes
    // past it leave `out`.
    void limit(std::vector<uint8_t>& out, std::size_t from);

  private:
    void release(std::vector<uint8_t>& out);

    uint64_t exact_;
    uint64_t passed_ = 0;    // output bytes let through
    int64_t skip_ = 0;       // start samples still to take off
    bool released_ = false;  // the container's length proved wrong
    bool stamped_ = false;   // placed by timestamps: start skip and priming marks are ignored
    std::vector<uint8_t> held_;
};

}  // namespace tunedeck
