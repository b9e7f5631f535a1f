#include "remote/workerpool.h"

#include <cstdio>
#include <exception>

namespace tunedeck {

WorkerPool::WorkerPool(std::size_t workers, std::size_t waiting) : waiting_(waiting) {
    threads_.reserve(workers);
    for (std::size_t i = 0; i < workers; ++i) threads_.emplace_back([this] { work(); });
}

WorkerPool::~WorkerPool() noexcept {
    join();
}

void WorkerPool::add(std::function<void()> job) {
    {
        std::unique_lock lock(mutex_);
        room_.wait(lock, [this] { return closed_ || jobs_.size() < waiting_; });
        jobs_.push_back(std::move(job));
    }
    jobready_.notify_one();
}

void WorkerPool::close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    room_.notify_all();
    jobready_.notify_all();
}

void WorkerPool::join() noexcept {
    close();
    for (std::thread& t : threads_)
        if (t.joinable()) t.join();
}

void WorkerPool::work() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            jobready_.wait(lock, [this] { return closed_ || !jobs_.empty(); });
            if (jobs_.empty()) return;  // closed, and nothing left to serve
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        room_.notify_one();
        try {
            job();
        } catch (const std::exception& error) {
            // One connection failed; the others go on.
            std::fprintf(stderr, "tunedeck: remote connection: %s\n", error.what());
        } catch (...) {
            std::fprintf(stderr, "tunedeck: remote connection failed\n");
        }
    }
}

}  // namespace tunedeck
