// A new stream holds its first sound before its decoder thread has run, so the output's next
// callback can start it however late that thread is scheduled.
#include "platform/audio/stream.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "tools/fixtures/fixtures.h"

namespace tunedeck {
namespace {

namespace fx = fixtures;

std::unique_ptr<Stream> openstream(const fx::TempDir& dir, const char* name) {
    return std::make_unique<Stream>(std::make_unique<Decoder>((dir / name).string()), 4 * 8820,
                                    [] {});
}

TEST(Stream, FirstSoundIsReadyWhenCreated) {
    fx::TempDir dir;
    fx::writetone(dir / "a.mp3", fx::AudioFormat::Mp3, {440, 1.0});
    fx::writetone(dir / "b.wav", fx::AudioFormat::Wav, {440, 1.0});
    for (const char* name : {"a.mp3", "b.wav"}) {
        auto stream = openstream(dir, name);
        std::vector<uint8_t> out(64);
        // Pulled at once, without waiting: the bytes came from the creating thread.
        EXPECT_EQ(stream->pull(out.data(), out.size()), out.size()) << name;
    }
}

TEST(Stream, AllOfAFileArrivesWhenTheFirstBlockOverfillsTheRing) {
    fx::TempDir dir;
    // 8 kHz mono: each decoded block grows more than five times on its way to the output
    // format, more than a tiny ring holds.
    fx::writetone(dir / "low.mp3", fx::AudioFormat::Mp3, {440, 0.5, 8000, 1});
    Stream stream(std::make_unique<Decoder>((dir / "low.mp3").string()), 4 * 256, [] {});
    std::vector<uint8_t> out(4 * 256);
    std::size_t total = 0;
    for (int i = 0; i < 20000 && !(stream.decoded() && stream.drained()); ++i) {
        total += stream.pull(out.data(), out.size());
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    EXPECT_TRUE(stream.decoded());
    EXPECT_EQ(total, stream.length());
    EXPECT_NEAR(static_cast<double>(total) / 4 / 44100, 0.5, 0.03);
}

}  // namespace
}  // namespace tunedeck
