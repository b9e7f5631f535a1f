#include "audio/tags.h"

#include <charconv>

#include "platform/lib/ffmpeg/ffmpeg.h"
#include "platform/lib/ffmpeg/sniff.h"

namespace tunedeck {
namespace {

// The demuxers of the music files the jukebox plays; nothing else may read the file.
constexpr const char* kTagCarriers = "mp3,flac,mov,mp4,m4a,ogg,asf,wav,aiff,matroska";
// A tag longer than this is cut: it is shown on a phone, not stored.
constexpr std::size_t kMaxTag = 1024;

// The first of `keys` that the container's tags, else the first audio stream's, hold.
std::string tag(const AVFormatContext* ctx, std::initializer_list<const char*> keys) {
    const AVDictionary* stream = nullptr;
    for (unsigned i = 0; i < ctx->nb_streams; ++i)
        if (ctx->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            stream = ctx->streams[i]->metadata;
            break;
        }
    for (const char* key : keys)
        for (const AVDictionary* dict : {static_cast<const AVDictionary*>(ctx->metadata), stream}) {
            const AVDictionaryEntry* e = av_dict_get(dict, key, nullptr, 0);
            if (e != nullptr && e->value != nullptr && e->value[0] != '\0')
                return std::string(e->value).substr(0, kMaxTag);
        }
    return {};
}

}  // namespace

int tracknumber(const std::string& text) {
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return error == std::errc{} && end != text.data() && number > 0 ? number : 0;
}

FileTags readtags(const std::filesystem::path& musicfile) {
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    av_dict_set(&options, "format_whitelist", kTagCarriers, 0);
    FormatContext ctx;
    // The header holds the tags; the "file:" prefix keeps a name with a colon a file name.
    const int opened = avformat_open_input(ctx.out(), ("file:" + musicfile.string()).c_str(),
                                           knowncontainer(musicfile.string()), &options);
    av_dict_free(&options);
    if (opened < 0) return {};
    const AVFormatContext* c = ctx.get();
    return {tag(c, {"title"}), tag(c, {"artist", "album_artist", "author"}), tag(c, {"album"}),
            tracknumber(tag(c, {"track"}))};
}

}  // namespace tunedeck
