// Counts what the audio output plays. SDL's disk driver writes the output to a named pipe; a
// reader thread drains it, so a long run needs no disk space, and keeps two clocks: every
// frame written (the output's own time) and the frames that carry sound.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <thread>

namespace tunedeck::soak {

class AudioTap {
  public:
    static constexpr int kRate = 44100;
    static constexpr int kChannels = 2;

    // Makes the pipe and starts draining it. Throws std::runtime_error.
    explicit AudioTap(std::filesystem::path pipe);
    // Stops the reader; call after the audio device has closed.
    ~AudioTap() noexcept;
    AudioTap(const AudioTap&) = delete;
    AudioTap& operator=(const AudioTap&) = delete;

    const std::filesystem::path& pipe() const { return pipe_; }
    double outputseconds() const { return static_cast<double>(frames_.load()) / kRate; }
    double soundingseconds() const { return static_cast<double>(sounding_.load()) / kRate; }

  private:
    void drain() noexcept;
    void count(const int16_t* samples, std::size_t n) noexcept;

    std::filesystem::path pipe_;
    std::atomic<uint64_t> frames_{0};
    std::atomic<uint64_t> sounding_{0};
    std::atomic<bool> stop_{false};
    std::thread reader_;
};

}  // namespace tunedeck::soak
