// A fixed-size byte ring for exactly one producer thread and one consumer thread, without locks:
// a decoder or CD reader thread writes, the output thread reads. Never allocates after
// construction.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace tunedeck {

class RingBuffer {
  public:
    explicit RingBuffer(std::size_t capacity) : data_(capacity) {}
    RingBuffer(const RingBuffer&) = delete;
    RingBuffer& operator=(const RingBuffer&) = delete;

    std::size_t capacity() const { return data_.size(); }
    // Bytes waiting to be read (either thread; exact only for the consumer).
    std::size_t size() const {
        return written_.load(std::memory_order_acquire) - read_.load(std::memory_order_acquire);
    }

    // Producer: copies up to `count` bytes in; returns how many fitted.
    std::size_t write(const uint8_t* source, std::size_t count) {
        const std::size_t head = written_.load(std::memory_order_relaxed);
        const std::size_t room = capacity() - (head - read_.load(std::memory_order_acquire));
        const std::size_t n = std::min(count, room);
        copyin(head % capacity(), source, n);
        written_.store(head + n, std::memory_order_release);
        return n;
    }

    // Consumer: copies up to `count` bytes out; returns how many there were.
    std::size_t read(uint8_t* dest, std::size_t count) {
        const std::size_t tail = read_.load(std::memory_order_relaxed);
        const std::size_t n = std::min(count, written_.load(std::memory_order_acquire) - tail);
        copyout(tail % capacity(), dest, n);
        read_.store(tail + n, std::memory_order_release);
        return n;
    }

    // Empties the ring. Only while neither the producer nor the consumer runs: their owner
    // holds both off (by the locks each of them works under).
    void clear() {
        read_.store(written_.load(std::memory_order_acquire), std::memory_order_release);
    }

  private:
    void copyin(std::size_t at, const uint8_t* source, std::size_t n) {
        const std::size_t first = std::min(n, capacity() - at);
        if (first > 0) std::memcpy(data_.data() + at, source, first);
        if (n > first) std::memcpy(data_.data(), source + first, n - first);
    }
    void copyout(std::size_t at, uint8_t* dest, std::size_t n) const {
        const std::size_t first = std::min(n, capacity() - at);
        if (first > 0) std::memcpy(dest, data_.data() + at, first);
        if (n > first) std::memcpy(dest + first, data_.data(), n - first);
    }

    std::vector<uint8_t> data_;
    std::atomic<std::size_t> written_{0};  // total bytes ever written
    std::atomic<std::size_t> read_{0};     // total bytes ever read
};

}  // namespace tunedeck
