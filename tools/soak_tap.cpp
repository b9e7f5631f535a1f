#include "tools/soak_tap.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

namespace tunedeck::soak {

AudioTap::AudioTap(std::filesystem::path pipe) : pipe_(std::move(pipe)) {
    if (::mkfifo(pipe_.c_str(), 0600) != 0)
        throw std::runtime_error("cannot make " + pipe_.string() + ": " + std::strerror(errno));
    reader_ = std::thread([this] { drain(); });
}

AudioTap::~AudioTap() noexcept {
    stop_ = true;
    // A reader still waiting in open() for a writer is released by a writer that comes and goes;
    // when nobody waits, the open fails and nothing is needed.
    const int fd = ::open(pipe_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) ::close(fd);
    reader_.join();
    std::error_code ec;
    std::filesystem::remove(pipe_, ec);  // a leftover pipe in a temporary folder does no harm
}

// Each open lasts while one audio device writes; a reopened device opens the pipe again.
void AudioTap::drain() noexcept {
    std::array<int16_t, 8192> buffer{};
    while (!stop_) {
        const int fd = ::open(pipe_.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return;
        std::size_t carry = 0;  // bytes of a sample split across reads
        for (;;) {
            auto* bytes = reinterpret_cast<char*>(buffer.data());
            const ssize_t got = ::read(fd, bytes + carry, sizeof buffer - carry);
            if (got <= 0) break;
            const std::size_t have = carry + static_cast<std::size_t>(got);
            const std::size_t frames = have / (sizeof(int16_t) * kChannels);
            count(buffer.data(), frames * kChannels);
            carry = have - frames * sizeof(int16_t) * kChannels;
            std::memmove(bytes, bytes + have - carry, carry);
        }
        ::close(fd);
    }
}

void AudioTap::count(const int16_t* samples, std::size_t n) noexcept {
    uint64_t sounding = 0;
    for (std::size_t i = 0; i + 1 < n; i += kChannels)
        sounding += (std::abs(samples[i]) > 8 || std::abs(samples[i + 1]) > 8) ? 1 : 0;
    frames_ += n / kChannels;
    sounding_ += sounding;
}

}  // namespace tunedeck::soak
