#include "platform/screen/embedded.h"

#include <cstring>

#include "platform/lib/ffmpeg/ffmpeg.h"
#include "platform/lib/ffmpeg/sniff.h"

namespace tunedeck {
namespace {

// The demuxers of music files that may carry a picture in their tags.
constexpr const char* kPictureCarriers = "mp3,flac,mov,mp4,m4a,ogg,asf,wav,aiff,matroska";

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
    AVDictionary* options = nullptr;
    // Local files only, read by the demuxers of music files that carry pictures: content
    // that passes for a playlist or an image sequence must not make FFmpeg open anything else.
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    av_dict_set(&options, "format_whitelist", kPictureCarriers, 0);
    FormatContext ctx;
    // Opening reads the header and tags only; no stream probing, which could decode. The
    // "file:" prefix keeps a name holding a colon from being read as another protocol.
    const int opened = avformat_open_input(ctx.out(), ("file:" + musicfile.string()).c_str(),
                                           knowncontainer(musicfile.string()), &options);
    av_dict_free(&options);
    if (opened < 0) return {};
    const AVPacket* picture = choosepicture(ctx.get());
    if (!picture) return {};
    return {picture->data, picture->data + picture->size};
}

}  // namespace tunedeck
