#include "platform/screen/embedded.h"

#include <cstring>

#include "platform/audio/ffmpeg.h"

namespace tunedeck {
namespace {

bool isfrontcover(const AVStream* stream) {
    const AVDictionaryEntry* e = av_dict_get(stream->metadata, "comment", nullptr, 0);
    return e && e->value && std::strcmp(e->value, "Cover (front)") == 0;
}

const AVPacket* choosepicture(const AVFormatContext* ctx) {
    const AVPacket* first = nullptr;
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const AVStream* s = ctx->streams[i];
        if (!(s->disposition & AV_DISPOSITION_ATTACHED_PIC) || s->attached_pic.size <= 0) continue;
        if (isfrontcover(s)) return &s->attached_pic;
        if (!first) first = &s->attached_pic;
    }
    return first;
}

}  // namespace

std::vector<uint8_t> embeddedpicture(const std::filesystem::path& musicfile) {
    FormatContext ctx;
    // Opening reads the header and tags only; no stream probing, which could decode.
    if (avformat_open_input(ctx.out(), musicfile.c_str(), nullptr, nullptr) < 0) return {};
    const AVPacket* picture = choosepicture(ctx.get());
    if (!picture) return {};
    return {picture->data, picture->data + picture->size};
}

}  // namespace tunedeck
