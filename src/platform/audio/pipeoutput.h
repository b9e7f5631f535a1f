// The output into a named pipe, raw signed 16-bit little-endian stereo at 44100 Hz, for a server
// that streams what it reads to other rooms. A reader of a pipe does not pace the writer, so a
// thread of ours does: it sleeps to absolute deadlines one period apart, asks the source for
// the period and writes it without blocking. What the pipe has no room for, or what nobody
// reads, is dropped: playback keeps real time whether or not anyone listens, and a reader that
// comes later hears from the current position (at most 150 ms behind it). While nothing
// plays, nothing is written.
//
// The pipe is held open for reading and writing. So it never blocks and needs no reader to
// open; and a server that looks for a writer only now and then (reopening the pipe after an end
// of file) finds one. The bytes that nobody takes are read back out and dropped.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/audio/outputdevice.h"
#include "platform/lib/posix/filedescriptor.h"

namespace tunedeck {

class PipeOutput final : public OutputDevice {
  public:
    // Checks that `path` is a named pipe that can be opened for writing (nobody needs to be
    // reading it yet), then starts the writer thread. Throws OutputSettingError.
    PipeOutput(const std::filesystem::path& path, SampleSource& source);
    // Stops the writer thread and waits for it.
    ~PipeOutput() override;

    void set_running(bool running) override;
    // A pipe is never lost: without a reader, the periods are dropped.
    bool lost() const override { return false; }
    void lock() override { source_mutex_.lock(); }
    void unlock() override { source_mutex_.unlock(); }

  private:
    using Clock = std::chrono::steady_clock;
    // Periods follow each other at absolute deadlines from `start`, so sleeping late for one
    // period shortens the next sleep instead of delaying every period after it.
    struct Schedule {
        Clock::time_point start;
        int64_t next = 0;  // the period to write next
        Clock::time_point due() const;
        void restart();
    };

    void run() noexcept;
    bool wait_for_period(Schedule& schedule);
    void write_period(std::vector<uint8_t>& period);
    void drop_backlog(std::size_t incoming);
    void follow_path();

    const std::filesystem::path path_;
    SampleSource& source_;
    std::mutex source_mutex_;  // held while the source fills a period
    std::mutex control_mutex_;
    std::condition_variable wake_;
    bool running_ = true;      // under control_mutex_
    bool stopping_ = false;    // under control_mutex_
    FileDescriptor pipe_;      // the writer thread's alone once it runs
    int64_t until_check_ = 0;  // periods until the writer checks the path still names its pipe
    std::thread thread_;       // last: starts after everything it uses
};

}  // namespace tunedeck
