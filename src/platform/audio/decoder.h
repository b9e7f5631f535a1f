// Decodes one file to the engine's output format (44100 Hz, stereo, signed 16-bit).
// The container is probed from the content, never from the file name. Encoder delay and padding
// that FFmpeg reports (LAME/Xing header, Opus pre-skip, MP4 priming) are trimmed and the sound
// ends at the length the container declares sample-exact (trim.h), so consecutive files join
// without a gap. Used by one thread at a time (opened on the UI thread, then run by the stream's
// decoder thread); abort() may come from any thread through the IoWatch.
// A station on the network is read through FFmpeg's HTTP(S) the same way, with no length and its
// ICY metadata asked for.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/audio/iowatch.h"
#include "platform/audio/loudnesstags.h"
#include "platform/audio/source.h"
#include "platform/audio/trim.h"
#include "platform/lib/ffmpeg/ffmpeg.h"

namespace tunedeck {

// Why a file could not be opened: the file itself (missing, unreadable, not a regular file) or
// its content (no decodable audio).
class DecoderOpenError : public std::runtime_error {
  public:
    enum class Kind { File, Format };
    DecoderOpenError(Kind kind, const std::string& what) : std::runtime_error(what), kind_(kind) {}
    Kind kind() const { return kind_; }

  private:
    Kind kind_;
};

// A station's address (http:// or https://) and how its opening is bounded: it gives up once
// `limit` has passed or `stop` is set (`stop` outlives the decoder).
struct NetworkInput {
    std::string url;
    const std::atomic<bool>* stop = nullptr;
    std::chrono::milliseconds limit{10000};
};

class Decoder final : public Source {
  public:
    // Blocking I/O during opening and each later read gives up after this long.
    static constexpr auto kIoLimit = std::chrono::seconds(5);
    // This many undecodable packets in a row end the stream.
    static constexpr int kMaxErrorsInRow = 32;

    // Throws DecoderOpenError.
    explicit Decoder(const std::string& path);
    // Connects and reads far enough to know the format. Throws DecoderOpenError (Kind::File
    // when the station cannot be reached or gives no answer in time).
    explicit Decoder(const NetworkInput& input);
    ~Decoder() override;
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    // Appends the next decoded block to `out`; false once the end is reached (end of file, a
    // fatal read or decode error, too many bad packets in a row, a stalled read, or abort).
    bool decode(std::vector<uint8_t>& out) override;
    void abort() override { watch_.abort(); }
    // Before the first decode(): the sound is to begin `bytes` output bytes into the file. The
    // container's own seeking goes near the place and the decoded timestamps find the exact
    // sample. False when that cannot be trusted (no timestamps, a landing past the place, a
    // container that cannot seek): the decoder is then spent, and the caller opens the file
    // anew and skip()s instead.
    bool seek(uint64_t bytes);
    // Before the first decode(): the first `bytes` output bytes are decoded and dropped. Exact
    // for every file, but it costs the decoding of everything before the place.
    void skip(uint64_t bytes);
    // Expected length in output bytes from the container: exact for WAV, LAME-tagged MP3, FLAC,
    // Ogg and MP4; estimated for the others.
    uint64_t lengthbytes() const override { return lengthBytes_; }
    IoWatch& watch() { return watch_; }
    // Read from the tags when the file was opened.
    const LoudnessTags& loudness() const override { return loudness_; }
    // What the station says plays now: the StreamTitle of its last ICY metadata, else the title
    // (and artist) its stream carries, as in chained Ogg; "" when it says nothing. Decoder thread.
    std::string streamtitle() const;

  private:
    void openinput(const std::string& path);
    void openaddress(const NetworkInput& input);
    void finishopen();
    void opencodec();
    uint64_t expectedlength() const;
    uint64_t exact_length(const std::string& path) const;
    void feed();
    bool receive();
    std::optional<int64_t> firstkeptsample();
    int64_t inputsamples(uint64_t bytes) const;
    bool untimedafterseek() const;
    void dropfrom(Trim::Span& span);
    void point_planes(const AVFrame& frame, int first);
    void convert(const AVFrame& frame, const Trim::Span& span, std::vector<uint8_t>& out);
    void configureresampler(const AVFrame& frame);
    bool flushresampler(std::vector<uint8_t>& out);

    IoWatch watch_;  // outlives the format context that calls it
    FormatContext format_;
    CodecContext codec_;
    Frame frame_;
    Packet packet_;
    Resampler resampler_;
    int streamIndex_ = -1;
    int resamplerRate_ = 0;
    int resamplerFormat_ = -1;
    AVChannelLayout resamplerLayout_{};
    int errorsInRow_ = 0;
    bool draining_ = false;
    bool finished_ = false;
    uint64_t lengthBytes_ = 0;
    uint64_t exactBytes_ = 0;
    Trim trim_{0};
    LoudnessTags loudness_;
    int64_t drop_ = 0;                    // input samples still to drop before the sound starts
    bool held_ = false;                   // frame_ holds a frame that decode() has yet to use
    std::vector<const uint8_t*> planes_;  // where each plane's kept samples begin
};

}  // namespace tunedeck
