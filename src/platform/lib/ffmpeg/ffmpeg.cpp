#include "platform/lib/ffmpeg/ffmpeg.h"

extern "C" {
#include <libavutil/error.h>
}

namespace tunedeck {

std::string averror(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    if (av_strerror(code, text, sizeof text) < 0) return "FFmpeg error " + std::to_string(code);
    return text;
}

FfmpegError::FfmpegError(const std::string& what, int code)
    : std::runtime_error(what + ": " + averror(code)), code_(code) {}

}  // namespace tunedeck
