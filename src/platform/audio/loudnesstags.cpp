#include "platform/audio/loudnesstags.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "platform/audio/iowatch.h"
#include "platform/lib/ffmpeg/ffmpeg.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

namespace tunedeck {

namespace {

constexpr double kMaxGainDb = 60.0;
constexpr double kMaxPeak = 100.0;
// R128 gains in Opus tags are Q7.8 fixed point relative to -23 LUFS; ReplayGain's reference is
// 5 dB louder.
constexpr double kR128Scale = 256.0;
constexpr double kR128ToReplayGainDb = 5.0;

// The value of `key` in the stream's tags, else in the container's; null when neither has it.
// FFmpeg compares keys without regard to case.
const char* tag(const AVFormatContext& format, const AVDictionary* stream, const char* key) {
    if (const AVDictionaryEntry* e = av_dict_get(stream, key, nullptr, 0)) return e->value;
    if (const AVDictionaryEntry* e = av_dict_get(format.metadata, key, nullptr, 0)) return e->value;
    return nullptr;
}

std::optional<double> sanegain(std::optional<double> value) {
    if (!value || std::fabs(*value) > kMaxGainDb) return std::nullopt;
    return value;
}

std::optional<double> gain(const char* text) {
    return sanegain(parsegaintag(text));
}

std::optional<double> peak(const char* text) {
    const auto value = parsegaintag(text);
    if (!value || !(*value > 0) || *value > kMaxPeak) return std::nullopt;
    return value;
}

std::optional<double> r128gain(const char* text) {
    const auto value = parsegaintag(text);
    if (!value) return std::nullopt;
    return sanegain(*value / kR128Scale + kR128ToReplayGainDb);
}

}  // namespace

std::optional<double> parsegaintag(const char* text) {
    if (text == nullptr) return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || !std::isfinite(value)) return std::nullopt;
    return value;
}

LoudnessTags readloudnesstags(const AVFormatContext& format, int stream) {
    const AVDictionary* own = nullptr;
    if (stream >= 0 && static_cast<unsigned>(stream) < format.nb_streams)
        own = format.streams[stream]->metadata;
    LoudnessTags tags;
    tags.trackgain = gain(tag(format, own, "REPLAYGAIN_TRACK_GAIN"));
    tags.trackpeak = peak(tag(format, own, "REPLAYGAIN_TRACK_PEAK"));
    tags.albumgain = gain(tag(format, own, "REPLAYGAIN_ALBUM_GAIN"));
    tags.albumpeak = peak(tag(format, own, "REPLAYGAIN_ALBUM_PEAK"));
    // Opus files carry R128 tags instead (the header's own gain FFmpeg applies when decoding).
    if (!tags.trackgain) tags.trackgain = r128gain(tag(format, own, "R128_TRACK_GAIN"));
    if (!tags.albumgain) tags.albumgain = r128gain(tag(format, own, "R128_ALBUM_GAIN"));
    if (const char* album = tag(format, own, "album")) tags.album = album;
    return tags;
}

LoudnessTags readfileloudnesstags(const std::string& path) {
    // A pipe or device would block FFmpeg's open before any deadline is looked at.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return {};
    IoWatch watch;  // outlives the context that calls it
    AVFormatContext* raw = avformat_alloc_context();
    if (raw == nullptr) return {};
    raw->interrupt_callback = watch.callback();
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    watch.arm(std::chrono::seconds(1));
    const int opened = avformat_open_input(&raw, ("file:" + path).c_str(), nullptr, &options);
    av_dict_free(&options);
    if (opened < 0) return {};  // FFmpeg freed `raw`
    const FormatContext format(raw);
    // Some containers (FLAC in Ogg) give their comments only with the stream's first packets.
    if (avformat_find_stream_info(raw, nullptr) < 0) return {};
    const int stream = av_find_best_stream(raw, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    return readloudnesstags(*raw, stream);
}

}  // namespace tunedeck
