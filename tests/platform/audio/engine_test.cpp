// The engine's calls and their codes, containers and their lengths, damaged files; and a new
// stream holding its first sound before its decoder thread has run.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "harness.h"
#include "platform/audio/decoder.h"
#include "platform/audio/stream.h"
#include "platform/lib/ffmpeg/sniff.h"
#include "testenv.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck {
namespace {

using namespace std::chrono_literals;
using namespace tunedeck::testing;

TEST(Engine, CallsBeforeInitFailWithCode8AndShutdownIsAlwaysSafe) {
    AudioLibrary bass;
    EXPECT_EQ(BASS_StreamCreateFile(bass, 0, "/nonexistent.mp3", 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(bass), 8);
    EXPECT_EQ(BASS_ChannelIsActive(bass, 1), 0u);
    EXPECT_EQ(BASS_Start(bass), 0);
    EXPECT_EQ(BASS_ErrorGetCode(bass), 8);
    EXPECT_NE(BASS_CDInit(bass, nullptr, 32), 0);
    for (int i = 0; i < 2; ++i) {
        BASS_Stop(bass);
        BASS_StreamFree(bass, 7);
        BASS_Free(bass);
        BASS_CDFree(bass);
    }
}

// Init twice is code 14, a free allows it again; bad files and handles fail with the library's
// codes; no usable device is code 3.
TEST(Engine, InitTwiceBadFilesAndNoUsableDeviceFailWithTheLibraryCodes) {
    fx::TempDir dir;
    diskoutput(dir, false);
    AudioLibrary bass;
    ASSERT_TRUE(startlibrary(bass));
    EXPECT_EQ(BASS_Init(bass, -1, 44100, 0, nullptr), 0);
    EXPECT_EQ(BASS_ErrorGetCode(bass), 14);
    BASS_Free(bass);
    ASSERT_TRUE(startlibrary(bass));
    EXPECT_EQ(BASS_ErrorGetCode(bass), 0);
    EXPECT_EQ(BASS_StreamCreateFile(bass, 0, (dir / "missing.mp3").c_str(), 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(bass), 2);
    EXPECT_EQ(BASS_StreamCreateFile(bass, 0, dir.path().c_str(), 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(bass), 2);
    std::ofstream(dir / "empty.mp3").close();
    EXPECT_EQ(BASS_StreamCreateFile(bass, 0, (dir / "empty.mp3").c_str(), 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(bass), 6);
    std::ofstream(dir / "text.wav") << "just some words, not a sound at all\n";
    EXPECT_EQ(BASS_StreamCreateFile(bass, 0, (dir / "text.wav").c_str(), 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(bass), 6);
    EXPECT_EQ(BASS_StreamPlay(bass, 12345, 0, 0), 0);
    EXPECT_EQ(BASS_ErrorGetCode(bass), 5);
    EXPECT_EQ(BASS_ChannelIsActive(bass, 12345), 0u);
    BASS_Free(bass);
    ScopedEnv driver("SDL_AUDIODRIVER", "no-such-driver");
    EXPECT_EQ(BASS_Init(bass, -1, 44100, 0, nullptr), 0);
    EXPECT_EQ(BASS_ErrorGetCode(bass), 3);
}

// Declared formats no output could play are refused before anything is sized from them; the
// edges of what is played still open.
TEST(Engine, AbsurdDeclaredFormatsFailAsDamagedFiles) {
    fx::TempDir dir;
    diskoutput(dir, false);
    AudioLibrary bass;
    ASSERT_TRUE(startlibrary(bass));
    struct Declared {
        uint32_t rate;
        uint16_t channels;
        bool opens;
    };
    for (const Declared d :
         {Declared{1'140'000'000, 2, false}, Declared{768'001, 2, false},
          Declared{44100, 33, false}, Declared{768'000, 2, true}, Declared{44100, 32, true}}) {
        SCOPED_TRACE(std::to_string(d.rate) + " Hz, " + std::to_string(d.channels) + " channels");
        fx::writepcmwav(dir / "declared.wav", d.rate, d.channels, 65536);
        const HSTREAM h = BASS_StreamCreateFile(bass, 0, (dir / "declared.wav").c_str(), 0, 0, 0);
        EXPECT_EQ(h != 0, d.opens);
        EXPECT_EQ(BASS_ErrorGetCode(bass), d.opens ? 0 : 6);
        BASS_StreamFree(bass, h);
    }
}

// The containers the first bytes make sure of open without FFmpeg's probing; raw AAC, a cut
// MP3 and noise are left to the probing. Every container that declares its length does so to
// the sample: WAV, tagged MP3, FLAC, Ogg (Vorbis, FLAC, Opus less its pre-skip) and M4A.
TEST(Engine, ContainersToldFromTheirFirstBytesAndLengthsExactWhereDeclaredWhateverTheName) {
    fx::TempDir dir;
    diskoutput(dir, false);
    const std::pair<fx::AudioFormat, const char*> expected[] = {
        {fx::AudioFormat::Mp3, "mp3"},  {fx::AudioFormat::Wav, "wav"},
        {fx::AudioFormat::Wma, "asf"},  {fx::AudioFormat::Flac, "flac"},
        {fx::AudioFormat::Ogg, "ogg"},  {fx::AudioFormat::Oga, "ogg"},
        {fx::AudioFormat::Opus, "ogg"}, {fx::AudioFormat::M4a, "mov,mp4,m4a,3gp,3g2,mj2"},
        {fx::AudioFormat::Aac, nullptr}};
    for (const auto& [format, name] : expected) {
        const auto file = dir / (std::string("a.") + fx::extensionfor(format));
        fx::writetone(file, format, {440, 1.0});
        const AVInputFormat* known = knowncontainer(file.string());
        EXPECT_EQ(known ? std::string(known->name) : "", name ? name : "") << file;
    }
    fx::writetruncated(dir / "a.mp3", dir / "cut.mp3", 700);
    fx::writerandombytes(dir / "noise.mp3", 65536, 5);
    for (const char* file : {"cut.mp3", "noise.mp3", "missing.mp3"})
        EXPECT_EQ(knowncontainer((dir / file).string()), nullptr) << file;

    AudioLibrary bass;
    ASSERT_TRUE(startlibrary(bass));
    for (const fx::AudioFormat format :
         {fx::AudioFormat::Wav, fx::AudioFormat::Mp3, fx::AudioFormat::Flac, fx::AudioFormat::Ogg,
          fx::AudioFormat::Oga, fx::AudioFormat::Opus, fx::AudioFormat::M4a}) {
        const std::string name = std::string("a.") + fx::extensionfor(format);
        SCOPED_TRACE(name);
        const HSTREAM h = BASS_StreamCreateFile(bass, 0, (dir / name).c_str(), 0, 0, 0);
        ASSERT_NE(h, 0u);
        EXPECT_EQ(BASS_StreamGetLength(bass, h), 176400u);
        EXPECT_FLOAT_EQ(BASS_ChannelBytes2Seconds(bass, h, 176400), 1.0f);
        BASS_StreamFree(bass, h);
        EXPECT_EQ(BASS_ChannelIsActive(bass, h), 0u);
    }
    // The format is probed from the content, not the name.
    fx::writetone(dir / "really-a-wav.mp3", fx::AudioFormat::Wav, {440, 0.5});
    const HSTREAM h = BASS_StreamCreateFile(bass, 0, (dir / "really-a-wav.mp3").c_str(), 0, 0, 0);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(BASS_StreamGetLength(bass, h), 22050u * 4);
}

// A chained Ogg file (parts written one after another) declares the length of its last part
// only: the sound past that figure is not cut off.
TEST(Engine, ChainedOggPlaysWholeThoughItDeclaresItsLastPartOnly) {
    fx::TempDir dir;
    fx::writetone(dir / "a.ogg", fx::AudioFormat::Ogg, {440, 1.0});
    fx::writetone(dir / "b.ogg", fx::AudioFormat::Ogg, {880, 2.0, 44100, 1});
    {
        std::ofstream chained(dir / "c.ogg", std::ios::binary);
        chained << std::ifstream(dir / "a.ogg", std::ios::binary).rdbuf()
                << std::ifstream(dir / "b.ogg", std::ios::binary).rdbuf();
    }
    Decoder decoder((dir / "c.ogg").string());
    std::size_t bytes = 0;
    std::vector<uint8_t> block;
    for (bool more = true; more; bytes += block.size()) {
        block.clear();
        more = decoder.decode(block);
    }
    EXPECT_NEAR(static_cast<double>(bytes) / 4 / 44100, 3.0, 0.05);
}

namespace fx = fixtures;

TEST(Stream, FirstSoundIsReadyWhenCreated) {
    fx::TempDir dir;
    fx::writetone(dir / "a.mp3", fx::AudioFormat::Mp3, {440, 1.0});
    fx::writetone(dir / "b.wav", fx::AudioFormat::Wav, {440, 1.0});
    for (const char* name : {"a.mp3", "b.wav"}) {
        Stream stream(std::make_unique<Decoder>((dir / name).string()), 4 * 8820, [] {});
        std::vector<uint8_t> out(64);
        // Pulled at once, without waiting: the bytes came from the creating thread.
        EXPECT_EQ(stream.pull(out.data(), out.size()), out.size()) << name;
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
