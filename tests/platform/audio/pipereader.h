// A named pipe in a test folder, and a listener on it that reads on a thread of its own from
// the moment it is made, keeping what arrived.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace tunedeck::testing {

inline void makefifo(const std::filesystem::path& path) {
    if (::mkfifo(path.c_str(), 0600) != 0) throw std::runtime_error("mkfifo " + path.string());
}

class PipeReader {
  public:
    explicit PipeReader(const std::filesystem::path& fifo)
        : fd_(::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) {
        if (fd_ < 0) throw std::runtime_error("cannot open " + fifo.string());
        thread_ = std::thread([this] { run(); });
    }
    ~PipeReader() { stop(); }
    PipeReader(const PipeReader&) = delete;
    PipeReader& operator=(const PipeReader&) = delete;

    std::size_t bytes() const { return bytes_.load(); }
    // Stops listening; what arrived, as signed 16-bit samples.
    std::vector<int16_t> samples() {
        stop();
        std::vector<int16_t> out(received_.size() / 2);
        if (!out.empty()) std::memcpy(out.data(), received_.data(), out.size() * 2);
        return out;
    }

  private:
    void stop() {
        stopping_ = true;
        if (thread_.joinable()) thread_.join();
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    void run() {
        std::vector<uint8_t> block(65536);
        while (!stopping_) {
            const ssize_t n = ::read(fd_, block.data(), block.size());
            if (n > 0) {
                received_.insert(received_.end(), block.begin(), block.begin() + n);
                bytes_ += static_cast<std::size_t>(n);
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        }
    }

    int fd_;
    std::vector<uint8_t> received_;  // the thread's until stop()
    std::atomic<std::size_t> bytes_{0};
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace tunedeck::testing
