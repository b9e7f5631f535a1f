// CPU time to decode one minute of 128 kb/s MP3 through the engine's decoder, beside mpg123 and
// ffmpeg decoding the same file in the same run.
#include <sys/resource.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "engine_bench.h"
#include "platform/audio/decoder.h"

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

}  // namespace

int main() {
    namespace fx = tunedeck::fixtures;
    fx::TempDir dir;
    const auto file = (dir / "minute.mp3").string();
    fx::writetone(file, fx::AudioFormat::Mp3, {440, 60.0});
    const double before = cpuseconds(RUSAGE_SELF);
    tunedeck::Decoder decoder(file);
    std::vector<uint8_t> block;
    std::size_t bytes = 0;
    while (decoder.decode(block)) bytes += block.size(), block.clear();
    const double ours = cpuseconds(RUSAGE_SELF) - before;
    std::printf("decoded %zu bytes (%.2f s of audio)\n", bytes, bytes / 176400.0);
    const double mpg123 = childcpu("mpg123 -q -w /dev/null '" + file + "'");
    const double ffmpeg =
        childcpu("ffmpeg -nostdin -loglevel error -i '" + file + "' -f null - >/dev/null");
    tunedeck::bench::figure("engine decode, 1 min MP3 (CPU)", ours, "s", "mpg123", mpg123);
    tunedeck::bench::figure("engine decode, 1 min MP3 (CPU)", ours, "s", "ffmpeg", ffmpeg);
    return 0;
}
