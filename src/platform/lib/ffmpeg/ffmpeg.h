// RAII owners for the FFmpeg handles the decoder uses. Each releases its handle in a noexcept
// destructor, is movable and not copyable.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
}

#include <stdexcept>
#include <string>
#include <utility>

namespace tunedeck {

// An FFmpeg failure with the library's own message.
class FfmpegError : public std::runtime_error {
  public:
    FfmpegError(const std::string& what, int code);
    int code() const { return code_; }

  private:
    int code_;
};

std::string averror(int code);

// Owns one FFmpeg object released through a `void release(T**)` function.
template <typename T, void (*Release)(T**)>
class AvHandle {
  public:
    AvHandle() = default;
    explicit AvHandle(T* p) noexcept : p_(p) {}
    ~AvHandle() noexcept { reset(); }
    AvHandle(AvHandle&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    AvHandle& operator=(AvHandle&& other) noexcept {
        if (this != &other) {
            reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }
    AvHandle(const AvHandle&) = delete;
    AvHandle& operator=(const AvHandle&) = delete;

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    // For FFmpeg calls that allocate into a T** (the old object is released first).
    T** out() noexcept {
        reset();
        return &p_;
    }
    // Gives the handle up without releasing it.
    T* release() noexcept { return std::exchange(p_, nullptr); }
    void reset() noexcept {
        if (p_) Release(&p_);
        p_ = nullptr;
    }

  private:
    T* p_ = nullptr;
};

using FormatContext = AvHandle<AVFormatContext, avformat_close_input>;
using CodecContext = AvHandle<AVCodecContext, avcodec_free_context>;
using Frame = AvHandle<AVFrame, av_frame_free>;
using Packet = AvHandle<AVPacket, av_packet_free>;
using Resampler = AvHandle<SwrContext, swr_free>;

}  // namespace tunedeck
