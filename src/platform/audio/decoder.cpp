#include "platform/audio/decoder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <new>
#include <optional>
#include <string_view>

#include "platform/audio/format.h"
#include "platform/audio/lametag.h"
#include "platform/lib/ffmpeg/sniff.h"

extern "C" {
#include <libavutil/dict.h>
}

namespace tunedeck {

namespace {

// Missing, unreadable and non-regular files (folders, devices, pipes) fail before FFmpeg sees
// them, so that they are told apart from files whose content is not audio.
void checkreadable(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) throw DecoderOpenError(DecoderOpenError::Kind::File, "cannot open " + path);
    struct stat info {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);  // only probed; FFmpeg opens the file itself
    if (!regular) throw DecoderOpenError(DecoderOpenError::Kind::File, "not a file: " + path);
}

[[noreturn]] void badformat(const std::string& what) {
    throw DecoderOpenError(DecoderOpenError::Kind::Format, what);
}

// What the output can sensibly be fed. A header declaring more (a damaged or hostile file) would
// size the resampler and its buffers from the declared figures: gigabytes for a rate of a GHz.
constexpr int kMaxInputRate = 768000;
constexpr int kMaxInputChannels = 32;

bool playableformat(int rate, int channels) {
    return rate >= 1 && rate <= kMaxInputRate && channels >= 1 && channels <= kMaxInputChannels;
}

}  // namespace

Decoder::Decoder(const std::string& path) {
    checkreadable(path);
    openinput(path);
    finishopen();
    const uint64_t exact = exact_length(path);
    exactBytes_ = exact;
    trim_ = Trim(exact);
    lengthBytes_ = exact > 0 ? exact : expectedlength();
    loudness_ = readloudnesstags(*format_.get(), streamIndex_);
}

Decoder::Decoder(const NetworkInput& input) {
    watch_.follow(input.stop);
    openaddress(input);
    finishopen();
}

void Decoder::finishopen() {
    opencodec();
    frame_ = Frame(av_frame_alloc());
    packet_ = Packet(av_packet_alloc());
    if (!frame_ || !packet_) throw std::bad_alloc();
}

Decoder::~Decoder() {
    av_channel_layout_uninit(&resamplerLayout_);
}

void Decoder::openinput(const std::string& path) {
    AVFormatContext* raw = avformat_alloc_context();
    if (!raw) throw std::bad_alloc();
    raw->interrupt_callback = watch_.callback();
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    watch_.arm(kIoLimit);
    const AVInputFormat* known = knowncontainer(path);
    // The "file:" prefix keeps names holding a colon from being read as another protocol.
    const int opened = avformat_open_input(&raw, ("file:" + path).c_str(), known, &options);
    av_dict_free(&options);
    if (opened < 0) badformat(path + ": " + averror(opened));  // FFmpeg freed `raw`
    format_ = FormatContext(raw);
    // A score of 1 is FFmpeg's last-resort guess for content it does not recognise (zeros,
    // random bytes); reading on would scan the whole file for a frame, seconds for a large one.
    if (!known && raw->probe_score <= 1) badformat(path + ": not a recognisable audio format");
    const int probed = avformat_find_stream_info(raw, nullptr);
    if (probed < 0) badformat(path + ": " + averror(probed));
    if (watch_.expired()) badformat(path + ": opening took too long");
}

// Only the web's protocols (and what they run over) are opened: an address must not reach a
// file or a device. The container is told from the first 32 KiB (FFmpeg would otherwise wait
// for up to a megabyte to be sure of an MP3 stream: a minute of a station's sound) and the
// codec from at most half a second, so that sound starts soon after the station answers.
void Decoder::openaddress(const NetworkInput& input) {
    AVFormatContext* raw = avformat_alloc_context();
    if (!raw) throw std::bad_alloc();
    raw->interrupt_callback = watch_.callback();
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "http,https,tcp,tls", 0);
    av_dict_set(&options, "icy", "1", 0);
    av_dict_set(&options, "user_agent", "Tunedeck", 0);
    av_dict_set(&options, "formatprobesize", "32768", 0);
    av_dict_set(&options, "probesize", "32768", 0);
    av_dict_set(&options, "analyzeduration", "500000", 0);
    watch_.arm(input.limit);
    const int opened = avformat_open_input(&raw, input.url.c_str(), nullptr, &options);
    av_dict_free(&options);
    if (opened < 0) {
        throw DecoderOpenError(DecoderOpenError::Kind::File, input.url + ": " + averror(opened));
    }
    format_ = FormatContext(raw);
    if (raw->probe_score <= 1) badformat(input.url + ": not a recognisable audio format");
    const int probed = avformat_find_stream_info(raw, nullptr);
    if (watch_.expired() || watch_.aborted()) {
        throw DecoderOpenError(DecoderOpenError::Kind::File, input.url + ": no answer in time");
    }
    if (probed < 0) badformat(input.url + ": " + averror(probed));
}

void Decoder::opencodec() {
    const AVCodec* codec = nullptr;
    streamIndex_ = av_find_best_stream(format_.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (streamIndex_ < 0 || !codec) badformat("no decodable audio stream");
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        if (static_cast<int>(i) != streamIndex_) format_->streams[i]->discard = AVDISCARD_ALL;
    }
    codec_ = CodecContext(avcodec_alloc_context3(codec));
    if (!codec_) throw std::bad_alloc();
    const AVStream* stream = format_->streams[streamIndex_];
    const AVCodecParameters& declared = *stream->codecpar;
    if (!playableformat(declared.sample_rate, declared.ch_layout.nb_channels)) {
        badformat("unplayable format: " + std::to_string(declared.sample_rate) + " Hz, " +
                  std::to_string(declared.ch_layout.nb_channels) + " channels");
    }
    if (avcodec_parameters_to_context(codec_.get(), stream->codecpar) < 0) {
        badformat("unusable codec parameters");
    }
    codec_->pkt_timebase = stream->time_base;
    codec_->flags2 |= AV_CODEC_FLAG2_SKIP_MANUAL;  // delay and padding are trimmed by trim_
    const int opened = avcodec_open2(codec_.get(), codec, nullptr);
    if (opened < 0) badformat("cannot open decoder: " + averror(opened));
}

// The length the container declares to the sample, in output bytes; 0 when it has none: MP3 by
// its LAME header, FLAC by its stream header, Ogg by its last granule (which counts the Opus
// pre-skip as well), MP4 by its track and edit list.
uint64_t Decoder::exact_length(const std::string& path) const {
    const AVStream* stream = format_->streams[streamIndex_];
    const int rate = stream->codecpar->sample_rate;
    if (rate <= 0) return 0;
    const std::string_view container = format_->iformat->name;
    std::optional<int64_t> samples;
    if (container == "mp3") {
        samples = mp3exactsamples(path);
    } else if (container == "flac" || container == "ogg" || container.starts_with("mov,mp4")) {
        if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
            samples = av_rescale_q(stream->duration, stream->time_base, AVRational{1, rate});
        if (samples && container == "ogg") *samples -= stream->codecpar->initial_padding;
    }
    if (!samples || *samples <= 0) return 0;
    return static_cast<uint64_t>(av_rescale(*samples, kOutputRate, rate)) * kBytesPerFrame;
}

uint64_t Decoder::expectedlength() const {
    const AVStream* stream = format_->streams[streamIndex_];
    const AVRational output{1, kOutputRate};
    int64_t frames = 0;
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0) {
        frames = av_rescale_q(stream->duration, stream->time_base, output);
    } else if (format_->duration != AV_NOPTS_VALUE && format_->duration > 0) {
        frames = av_rescale_q(format_->duration, AV_TIME_BASE_Q, output);
    }
    return frames > 0 ? static_cast<uint64_t>(frames) * kBytesPerFrame : 0;
}

bool Decoder::decode(std::vector<uint8_t>& out) {
    while (held_ || receive()) {
        held_ = false;
        Trim::Span span = trim_.keep(*frame_.get());
        dropfrom(span);
        convert(*frame_.get(), span, out);
        av_frame_unref(frame_.get());
        if (!out.empty()) return true;
    }
    return flushresampler(out);
}

// Fetches the next decoded frame into frame_; false at the end of the data, or on a decoder
// failure, which ends the stream like its end.
bool Decoder::receive() {
    while (!finished_) {
        const int received = avcodec_receive_frame(codec_.get(), frame_.get());
        if (received == 0) {
            errorsInRow_ = 0;
            return true;
        }
        if (received == AVERROR(EAGAIN) && !draining_) {
            feed();
        } else {
            finished_ = true;
        }
    }
    return false;
}

// Takes what is still to be dropped before the sound's start off the front of a frame's span.
void Decoder::dropfrom(Trim::Span& span) {
    const int64_t taken = std::min<int64_t>(drop_, std::max(span.count, 0));
    span.first += static_cast<int>(taken);
    span.count -= static_cast<int>(taken);
    drop_ -= taken;
}

// FFmpeg's Ogg reader gives FLAC packets found by a seek timestamps that are not theirs
// (measured: the sound lands about 0.4 s early), so such files are decoded from the start.
bool Decoder::untimedafterseek() const {
    return std::string_view(format_->iformat->name) == "ogg" &&
           codec_->codec_id == AV_CODEC_ID_FLAC;
}

int64_t Decoder::inputsamples(uint64_t bytes) const {
    return av_rescale(static_cast<int64_t>(bytes / kBytesPerFrame), codec_->sample_rate,
                      kOutputRate);
}

// The stream's timestamp, in input samples, of the first sample that plays: what encoder delay
// and priming put ahead of it is no part of the sound. Decodes from the start to find it.
std::optional<int64_t> Decoder::firstkeptsample() {
    const AVRational base = format_->streams[streamIndex_]->time_base;
    while (receive()) {
        const Trim::Span span = trim_.keep(*frame_.get());
        const int64_t stamp = frame_->best_effort_timestamp;
        av_frame_unref(frame_.get());
        if (span.count <= 0) continue;
        if (stamp == AV_NOPTS_VALUE) return std::nullopt;
        return av_rescale_q(stamp, base, AVRational{1, codec_->sample_rate}) + span.first;
    }
    return std::nullopt;
}

bool Decoder::seek(uint64_t bytes) {
    const int rate = codec_->sample_rate;
    if (rate <= 0 || untimedafterseek()) return false;
    // At the end nothing is left to find (and Ogg's search for its last page can go astray).
    if (lengthBytes_ > 0 && bytes >= lengthBytes_) {
        finished_ = true;
        return true;
    }
    const std::optional<int64_t> origin = firstkeptsample();
    if (!origin) return false;
    const AVStream* stream = format_->streams[streamIndex_];
    const AVRational samples{1, rate};
    const int64_t target = inputsamples(bytes);
    // Landing this far ahead gives the codec its preroll (MP3's bit reservoir, Opus) before
    // the place, and the timestamps drop it again.
    const int64_t preroll = rate / 2;
    const int64_t aim = std::max<int64_t>(target - preroll, 0) + *origin;
    watch_.arm(kIoLimit);
    if (av_seek_frame(format_.get(), streamIndex_, av_rescale_q(aim, samples, stream->time_base),
                      AVSEEK_FLAG_BACKWARD) < 0) {
        return false;
    }
    avcodec_flush_buffers(codec_.get());
    draining_ = finished_ = false;
    errorsInRow_ = 0;
    resampler_.reset();
    trim_ = Trim(exactBytes_);
    trim_.startat(bytes, Trim::Start::ByTimestamps);
    if (!receive()) return false;
    const int64_t stamp = frame_->best_effort_timestamp;
    if (stamp == AV_NOPTS_VALUE) return false;
    const int64_t landed = av_rescale_q(stamp, stream->time_base, samples) - *origin;
    if (landed > target) return false;
    drop_ = target - landed;
    held_ = true;
    return true;
}

void Decoder::skip(uint64_t bytes) {
    trim_.startat(bytes, Trim::Start::FromTheStart);
    drop_ = inputsamples(bytes);
}

// Reads one packet into the decoder; at the end of the input (or a read failure, stall or
// abort) the decoder is told to give out what it still holds.
void Decoder::feed() {
    watch_.arm(kIoLimit);
    const int read = av_read_frame(format_.get(), packet_.get());
    if (read < 0) {
        draining_ = true;
        avcodec_send_packet(codec_.get(), nullptr);  // fails only when already draining
        return;
    }
    if (packet_->stream_index == streamIndex_) {
        const int sent = avcodec_send_packet(codec_.get(), packet_.get());
        if (sent < 0 && sent != AVERROR(EAGAIN) && ++errorsInRow_ >= kMaxErrorsInRow) {
            draining_ = true;
            avcodec_send_packet(codec_.get(), nullptr);  // as above
        }
    }
    av_packet_unref(packet_.get());
}

void Decoder::configureresampler(const AVFrame& frame) {
    AVChannelLayout layout{};
    if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || frame.ch_layout.nb_channels <= 0) {
        av_channel_layout_default(&layout, frame.ch_layout.nb_channels > 0
                                               ? frame.ch_layout.nb_channels
                                               : codec_->ch_layout.nb_channels);
    } else if (av_channel_layout_copy(&layout, &frame.ch_layout) < 0) {
        throw std::bad_alloc();
    }
    if (resampler_ && frame.sample_rate == resamplerRate_ && frame.format == resamplerFormat_ &&
        av_channel_layout_compare(&layout, &resamplerLayout_) == 0) {
        av_channel_layout_uninit(&layout);
        return;
    }
    av_channel_layout_uninit(&resamplerLayout_);
    resamplerLayout_ = layout;
    resamplerRate_ = frame.sample_rate;
    resamplerFormat_ = frame.format;
    if (!playableformat(frame.sample_rate, layout.nb_channels)) {
        throw std::runtime_error("decoded audio of an unplayable rate or channel count");
    }
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    int made = swr_alloc_set_opts2(resampler_.out(), &stereo, AV_SAMPLE_FMT_S16, kOutputRate,
                                   &layout, static_cast<AVSampleFormat>(frame.format),
                                   frame.sample_rate, 0, nullptr);
    if (made >= 0) made = swr_init(resampler_.get());
    if (made < 0) throw FfmpegError("cannot set up resampling", made);
}

// Points planes_ at the first kept sample of each plane of `frame`, for as many channels as the
// resampler was set up with.
void Decoder::point_planes(const AVFrame& frame, int first) {
    const auto format = static_cast<AVSampleFormat>(frame.format);
    const bool planar = av_sample_fmt_is_planar(format) != 0;
    const int channels = resamplerLayout_.nb_channels;
    const int planes = planar ? channels : 1;
    const std::size_t stride = static_cast<std::size_t>(av_get_bytes_per_sample(format)) *
                               static_cast<std::size_t>(planar ? 1 : channels);
    planes_.resize(static_cast<std::size_t>(std::max(planes, 1)));
    for (std::size_t p = 0; p < planes_.size(); ++p)
        planes_[p] = frame.extended_data[p] + static_cast<std::size_t>(first) * stride;
}

void Decoder::convert(const AVFrame& frame, const Trim::Span& span, std::vector<uint8_t>& out) {
    if (span.count <= 0) return;
    configureresampler(frame);
    const int room = swr_get_out_samples(resampler_.get(), span.count);
    if (room < 0) throw FfmpegError("resampling", room);
    point_planes(frame, span.first);
    const std::size_t old = out.size();
    out.resize(old + static_cast<std::size_t>(room) * kBytesPerFrame);
    uint8_t* dest = out.data() + old;
    const int made = swr_convert(resampler_.get(), &dest, room, planes_.data(), span.count);
    if (made < 0) throw FfmpegError("resampling", made);
    out.resize(old + static_cast<std::size_t>(made) * kBytesPerFrame);
    trim_.limit(out, old);
}

bool Decoder::flushresampler(std::vector<uint8_t>& out) {
    if (!resampler_) return !out.empty();
    const int room = swr_get_out_samples(resampler_.get(), 0);
    if (room > 0) {
        const std::size_t old = out.size();
        out.resize(old + static_cast<std::size_t>(room) * kBytesPerFrame);
        uint8_t* dest = out.data() + old;
        const int made = swr_convert(resampler_.get(), &dest, room, nullptr, 0);
        out.resize(old + static_cast<std::size_t>(made > 0 ? made : 0) * kBytesPerFrame);
        trim_.limit(out, old);
    }
    resampler_.reset();
    return !out.empty();
}

}  // namespace tunedeck
