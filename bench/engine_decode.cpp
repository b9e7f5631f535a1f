// CPU time to decode one minute of 128 kb/s MP3 through the engine's decoder, beside mpg123 and
// ffmpeg decoding the same file in the same run, and beside libavcodec's MP3 decoder driven
// directly in this process: the floor the engine's own work (conversion, buffers) adds to.
#include <sys/resource.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine_bench.h"
#include "platform/audio/decoder.h"
#include "platform/lib/ffmpeg/ffmpeg.h"

namespace {

double cpuseconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// CPU seconds the command used, measured on the children of this process.
double childcpu(const std::string& command) {
    const double before = cpuseconds(RUSAGE_CHILDREN);
    if (std::system(command.c_str()) != 0) return -1;
    return cpuseconds(RUSAGE_CHILDREN) - before;
}

// CPU seconds of libavformat and libavcodec alone decoding the file, output discarded.
double libavonly(const std::string& file) {
    using namespace tunedeck;
    const double before = cpuseconds(RUSAGE_SELF);
    FormatContext format;
    if (avformat_open_input(format.out(), file.c_str(), nullptr, nullptr) < 0) return -1;
    if (avformat_find_stream_info(format.get(), nullptr) < 0) return -1;
    const AVCodec* codec = nullptr;
    const int index = av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (index < 0 || codec == nullptr) return -1;
    CodecContext context(avcodec_alloc_context3(codec));
    Packet packet(av_packet_alloc());
    Frame frame(av_frame_alloc());
    if (!context || !packet || !frame) return -1;
    avcodec_parameters_to_context(context.get(), format->streams[index]->codecpar);
    if (avcodec_open2(context.get(), codec, nullptr) < 0) return -1;
    while (av_read_frame(format.get(), packet.get()) >= 0) {
        if (packet->stream_index == index) avcodec_send_packet(context.get(), packet.get());
        av_packet_unref(packet.get());
        while (avcodec_receive_frame(context.get(), frame.get()) == 0) av_frame_unref(frame.get());
    }
    return cpuseconds(RUSAGE_SELF) - before;
}

// CPU seconds of the engine's decoder on the file; `bytes` is what it gave out.
double enginedecode(const std::string& file, std::size_t& bytes) {
    const double before = cpuseconds(RUSAGE_SELF);
    tunedeck::Decoder decoder(file);
    std::vector<uint8_t> block;
    bytes = 0;
    while (decoder.decode(block)) bytes += block.size(), block.clear();
    return cpuseconds(RUSAGE_SELF) - before;
}

// The best of a few runs: a single run of a few tens of milliseconds is too easily disturbed.
template <typename Measure>
double best(Measure measure) {
    double out = 1e9;
    for (int run = 0; run < 7; ++run) out = std::min(out, measure());
    return out;
}

}  // namespace

int main() {
    namespace fx = tunedeck::fixtures;
    fx::TempDir dir;
    const auto file = (dir / "minute.mp3").string();
    fx::writetone(file, fx::AudioFormat::Mp3, {440, 60.0});
    std::size_t bytes = 0;
    const double ours = best([&] { return enginedecode(file, bytes); });
    std::printf("decoded %zu bytes (%.2f s of audio), best of 7 runs each\n", bytes,
                bytes / 176400.0);
    const double libav = best([&] { return libavonly(file); });
    const double mpg123 = best([&] { return childcpu("mpg123 -q -w /dev/null '" + file + "'"); });
    const double ffmpeg = best([&] {
        return childcpu("ffmpeg -nostdin -loglevel error -i '" + file + "' -f null - >/dev/null");
    });
    tunedeck::bench::figure("engine decode, 1 min MP3 (CPU)", ours, "s", "mpg123", mpg123);
    tunedeck::bench::figure("engine decode, 1 min MP3 (CPU)", ours, "s", "ffmpeg", ffmpeg);
    tunedeck::bench::figure("engine decode, 1 min MP3 (CPU)", ours, "s", "libavcodec", libav);
    tunedeck::bench::figure("libavcodec alone, 1 min MP3 (CPU)", libav, "s", "mpg123", mpg123);
    return 0;
}
