// One HTTP connection's socket as the HTTP library reads and writes it, with the limits that
// keep a client from holding the server: the header section (request line and headers) at
// most 8 KiB, what follows it at most the largest body plus its chunk framing, no read or write
// waiting more than the idle time, and the whole request, headers and body, read within the
// request time (a client sending a byte now and then does not stretch it).
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
    std::chrono::milliseconds request{10000};
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

    // Shortens the time the header section may take (never past the request time).
    void limitheadertime(std::chrono::milliseconds time);

    // The status the request was refused with: 431 or 413 for crossing a limit, or what
    // refuse() was given; 0 when it was not refused. Once refused, the stream reads nothing more
    // and drops what the library writes, so that the caller can send the refusal itself.
    int refusal() const { return refusal_; }
    // Refuses the request with `status` (421, 503, ...).
    void refuse(int status) { refusal_ = status; }
    // Sends a bodiless response with that status (to a refused request).
    void sendrefusal();

  private:
    // Milliseconds a read may still wait: the idle time, cut to the deadline of the part of the
    // request being read; -1 once that deadline has passed.
    int readwait() const;
    // Hands out up to `size` buffered bytes within the limits; -1 when a limit was crossed.
    ssize_t deliver(char* ptr, size_t size);
    void scanheader(char c);

    int fd_;
    StreamLimits limits_;
    std::chrono::steady_clock::time_point requestdeadline_;
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
