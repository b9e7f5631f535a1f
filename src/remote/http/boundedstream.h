// One HTTP connection's socket as the HTTP library reads and writes it, with the limits that
// keep a client from holding the server: the header section (request line and headers) at
// most 8 KiB, what follows it at most the largest body plus its chunk framing, no read waiting
// more than the idle time, and the whole header section within that time too.
// One worker thread per stream.
#pragma once

#include <httplib.h>

#include <array>
#include <chrono>
#include <cstddef>

namespace tunedeck {

struct StreamLimits {
    std::size_t headerbytes = 8 * 1024;
    std::size_t bodybytes = 4 * 1024 + 512;  // a 4 KiB body and the framing of its chunks
    std::chrono::milliseconds idle{10000};
};

class BoundedStream : public httplib::Stream {
  public:
    BoundedStream(int fd, StreamLimits limits);

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char* ptr, size_t size) override;
    ssize_t write(const char* ptr, size_t size) override;
    void get_remote_ip_and_port(std::string& ip, int& port) const override;
    void get_local_ip_and_port(std::string& ip, int& port) const override;
    socket_t socket() const override { return fd_; }

    // The status the request was refused with for crossing a limit (431 headers, 413 body),
    // 0 when it crossed none. Once refused, the stream reads nothing more and drops what the
    // library writes, so that the caller can send the refusal itself.
    int refusal() const { return refusal_; }
    // Sends a bodiless response with that status (to a refused request).
    void sendrefusal();

  private:
    // Milliseconds a read may still wait: the idle time, cut to the header deadline.
    int readwait() const;
    // Hands out up to `size` buffered bytes within the limits; -1 when a limit was crossed.
    ssize_t deliver(char* ptr, size_t size);
    void scanheader(char c);

    int fd_;
    StreamLimits limits_;
    std::chrono::steady_clock::time_point headerdeadline_;
    std::array<char, 4096> buffer_{};
    std::size_t begin_ = 0, end_ = 0;
    std::size_t headerread_ = 0, bodyread_ = 0;
    bool headersdone_ = false;
    bool linestart_ = false;  // the last byte ended a line
    bool blankline_ = false;  // a CR at the start of a line
    int refusal_ = 0;
};

}  // namespace tunedeck
