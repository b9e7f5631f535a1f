// The threads that serve the remote's connections: a fixed number of workers, and a short
// line of connections waiting for one. When the line is full, add() waits, so further clients
// wait in the system's listen queue instead of costing the jukebox descriptors and memory.
// add() from the accepting thread; close() from any thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tunedeck {

class WorkerPool {
  public:
    WorkerPool(std::size_t workers, std::size_t waiting);
    ~WorkerPool() noexcept;  // closes and joins
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Queues a job, waiting while the line is full (never once closed).
    void add(std::function<void()> job);
    // From now on add() never waits; the workers finish what is queued and end.
    void close();
    // close(), then waits for the workers to end.
    void join() noexcept;

  private:
    void work();

    const std::size_t waiting_;
    std::mutex mutex_;
    std::condition_variable jobready_;
    std::condition_variable room_;
    std::deque<std::function<void()>> jobs_;
    bool closed_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace tunedeck
