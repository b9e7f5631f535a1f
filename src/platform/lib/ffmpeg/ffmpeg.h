// FFmpeg's one exception type and owning handles for its objects.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
}

#include <stdexcept>
#include <string>

#include "platform/lib/handle.h"

namespace tunedeck {

// An FFmpeg failure with the library's own message.
class FfmpegError : public std::runtime_error {
  public:
    FfmpegError(const std::string& what, int code);
    int code() const { return code_; }

  private:
    int code_;
};

// FFmpeg's text for an error code.
std::string averror(int code);

// Throws FfmpegError when `code` is negative (an FFmpeg error); returns it otherwise.
int avcheck(int code, const std::string& what);

using FormatContext = UniqueHandle<AVFormatContext*, avformat_close_input>;
using CodecContext = UniqueHandle<AVCodecContext*, avcodec_free_context>;
using Frame = UniqueHandle<AVFrame*, av_frame_free>;
using Packet = UniqueHandle<AVPacket*, av_packet_free>;
using Resampler = UniqueHandle<SwrContext*, swr_free>;

}  // namespace tunedeck
