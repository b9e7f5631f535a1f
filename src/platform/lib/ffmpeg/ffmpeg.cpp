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

int avcheck(int code, const std::string& what) {
    if (code < 0) throw FfmpegError(what, code);
    return code;
}

}  // namespace tunedeck
