// A fixed-size ring of interleaved samples. Not synchronised: its owner holds the lock.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tunedeck::cd {

class SampleRing {
  public:
    explicit SampleRing(size_t capacity) : data_(capacity) {}

    size_t size() const { return size_; }
    size_t room() const { return data_.size() - size_; }
    bool empty() const { return size_ == 0; }
    void clear() { head_ = size_ = 0; }

    // Appends as much of `in` as fits; returns the count appended.
    size_t push(const int16_t* in, size_t count) {
        count = std::min(count, room());
        for (size_t done = 0; done < count;) {
            size_t tail = (head_ + size_ + done) % data_.size();
            size_t part = std::min(count - done, data_.size() - tail);
            std::copy_n(in + done, part, data_.begin() + ptrdiff_t(tail));
            done += part;
        }
        size_ += count;
        return count;
    }

    // Moves up to `count` samples into `out`; returns the count moved.
    size_t pop(int16_t* out, size_t count) {
        count = std::min(count, size_);
        for (size_t done = 0; done < count;) {
            size_t part = std::min(count - done, data_.size() - head_);
            std::copy_n(data_.begin() + ptrdiff_t(head_), part, out + done);
            head_ = (head_ + part) % data_.size();
            done += part;
        }
        size_ -= count;
        return count;
    }

  private:
    std::vector<int16_t> data_;
    size_t head_ = 0;
    size_t size_ = 0;
};

}  // namespace tunedeck::cd
