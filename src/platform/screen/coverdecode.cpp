#include "platform/screen/coverdecode.h"

extern "C" {
#include <libavutil/dict.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/lib/ffmpeg/ffmpeg.h"
#include "platform/screen/picture.h"

namespace tunedeck {
namespace {

using Scaler = UniqueHandle<SwsContext*, sws_freeContext>;

// SDL's ARGB8888 as FFmpeg names the same bytes in memory.
constexpr AVPixelFormat kSurfaceFormat =
    SDL_BYTEORDER == SDL_LIL_ENDIAN ? AV_PIX_FMT_BGRA : AV_PIX_FMT_ARGB;

CodecContext opendecoder(PictureKind kind) {
    const AVCodec* codec =
        avcodec_find_decoder(kind == PictureKind::Jpeg ? AV_CODEC_ID_MJPEG : AV_CODEC_ID_PNG);
    if (!codec) throw FfmpegError("picture decoder", AVERROR_DECODER_NOT_FOUND);
    CodecContext ctx(avcodec_alloc_context3(codec));
    if (!ctx) throw FfmpegError("picture decoder", AVERROR(ENOMEM));
    // A second guard behind the header check: the decoder itself refuses larger frames.
    ctx->max_pixels = static_cast<int64_t>(kMaxPictureSide) * kMaxPictureSide;
    ctx->thread_count = 1;
    avcheck(avcodec_open2(ctx.get(), codec, nullptr), "open picture decoder");
    return ctx;
}

Frame decodeframe(std::span<const uint8_t> bytes, PictureKind kind) {
    if (bytes.size() > static_cast<std::size_t>(INT_MAX - AV_INPUT_BUFFER_PADDING_SIZE))
        throw FfmpegError("picture", AVERROR_INVALIDDATA);
    CodecContext ctx = opendecoder(kind);
    Packet packet(av_packet_alloc());
    if (!packet) throw FfmpegError("picture packet", AVERROR(ENOMEM));
    avcheck(av_new_packet(packet.get(), static_cast<int>(bytes.size())), "picture packet");
    std::memcpy(packet->data, bytes.data(), bytes.size());
    avcheck(avcodec_send_packet(ctx.get(), packet.get()), "decode picture");
    // The end of input lets a decoder that holds a frame back give it out.
    avcodec_send_packet(ctx.get(), nullptr);  // a refusal here shows in receive_frame
    Frame frame(av_frame_alloc());
    if (!frame) throw FfmpegError("picture frame", AVERROR(ENOMEM));
    avcheck(avcodec_receive_frame(ctx.get(), frame.get()), "decode picture");
    return frame;
}

int orientationof(const AVFrame* frame) {
    const AVDictionaryEntry* e = av_dict_get(frame->metadata, "Orientation", nullptr, 0);
    if (!e || !e->value) return 1;
    long value = std::strtol(e->value, nullptr, 10);
    return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
}

bool turnsquarter(int orientation) {
    return orientation >= 5 && orientation <= 8;
}

// The size that fits w x h into the box, keeping the proportions; never larger than w x h.
std::pair<int, int> fitted(int w, int h, int maxwidth, int maxheight) {
    if (maxwidth <= 0 || maxheight <= 0 || (w <= maxwidth && h <= maxheight)) return {w, h};
    double f = std::min(static_cast<double>(maxwidth) / w, static_cast<double>(maxheight) / h);
    return {std::max(1, static_cast<int>(std::lround(w * f))),
            std::max(1, static_cast<int>(std::lround(h * f)))};
}

// The decoders' full-range YUV formats under their plain names, with the range said apart.
AVPixelFormat plainyuv(AVPixelFormat f, bool& fullrange) {
    switch (f) {
        case AV_PIX_FMT_YUVJ420P:
            fullrange = true;
            return AV_PIX_FMT_YUV420P;
        case AV_PIX_FMT_YUVJ422P:
            fullrange = true;
            return AV_PIX_FMT_YUV422P;
        case AV_PIX_FMT_YUVJ444P:
            fullrange = true;
            return AV_PIX_FMT_YUV444P;
        case AV_PIX_FMT_YUVJ440P:
            fullrange = true;
            return AV_PIX_FMT_YUV440P;
        case AV_PIX_FMT_YUVJ411P:
            fullrange = true;
            return AV_PIX_FMT_YUV411P;
        default:
            return f;
    }
}

// The frame converted to ARGB8888 at width x height.
SdlSurface converted(const AVFrame* frame, int width, int height) {
    bool fullrange = frame->color_range == AVCOL_RANGE_JPEG;
    const AVPixelFormat from = plainyuv(static_cast<AVPixelFormat>(frame->format), fullrange);
    const bool shrinking = width < frame->width || height < frame->height;
    const int flags = (shrinking ? SWS_AREA : SWS_BICUBIC) | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT;
    Scaler scaler(sws_getContext(frame->width, frame->height, from, width, height, kSurfaceFormat,
                                 flags, nullptr, nullptr, nullptr));
    if (!scaler) throw FfmpegError("picture conversion", AVERROR(EINVAL));
    const int* bt601 = sws_getCoefficients(SWS_CS_DEFAULT);
    // Ignored for RGB sources, where no YUV matrix applies.
    sws_setColorspaceDetails(scaler.get(), bt601, fullrange ? 1 : 0, bt601, 1, 0, 1 << 16, 1 << 16);
    SdlSurface out = makesurface(width, height);
    uint8_t* dst[4] = {static_cast<uint8_t*>(out->pixels), nullptr, nullptr, nullptr};
    int dstlines[4] = {out->pitch, 0, 0, 0};
    if (sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, dst, dstlines) <= 0)
        throw FfmpegError("picture conversion", AVERROR(EINVAL));
    return out;
}

// Where the pixel at (x, y) of the turned picture comes from in the stored one (w x h).
std::pair<int, int> sourcepixel(int orientation, int x, int y, int w, int h) {
    switch (orientation) {
        case 2:
            return {w - 1 - x, y};
        case 3:
            return {w - 1 - x, h - 1 - y};
        case 4:
            return {x, h - 1 - y};
        case 5:
            return {y, x};
        case 6:
            return {y, h - 1 - x};
        case 7:
            return {w - 1 - y, h - 1 - x};
        case 8:
            return {w - 1 - y, x};
        default:
            return {x, y};
    }
}

}  // namespace

SdlSurface orient(SdlSurface surface, int orientation) {
    if (!surface || orientation < 2 || orientation > 8) return surface;
    const int w = surface->w, h = surface->h;
    const bool quarter = turnsquarter(orientation);
    SdlSurface out = makesurface(quarter ? h : w, quarter ? w : h);
    const auto* src = static_cast<const uint32_t*>(surface->pixels);
    auto* dst = static_cast<uint32_t*>(out->pixels);
    const int srcstride = surface->pitch / 4, dststride = out->pitch / 4;
    for (int y = 0; y < out->h; ++y)
        for (int x = 0; x < out->w; ++x) {
            auto [sx, sy] = sourcepixel(orientation, x, y, w, h);
            dst[y * dststride + x] = src[sy * srcstride + sx];
        }
    return out;
}

DecodedPicture decodepicture(std::span<const uint8_t> bytes, const PictureHeader& header,
                             int maxwidth, int maxheight) {
    Frame frame = decodeframe(bytes, header.kind);
    if (frame->width != header.width || frame->height != header.height)
        throw FfmpegError("picture of another size than its header declares", AVERROR_INVALIDDATA);
    const int orientation = orientationof(frame.get());
    const bool quarter = turnsquarter(orientation);
    const int uprightw = quarter ? frame->height : frame->width;
    const int uprighth = quarter ? frame->width : frame->height;
    auto [w, h] = fitted(uprightw, uprighth, maxwidth, maxheight);
    SdlSurface stored = quarter ? converted(frame.get(), h, w) : converted(frame.get(), w, h);
    return {orient(std::move(stored), orientation), uprightw, uprighth};
}

}  // namespace tunedeck
