// The one owner of a C library's handles: a pointer (SDL_Window*, AVFrame*), an id
// (SDL_AudioDeviceID) or a file descriptor. Move-only; releases the handle in a noexcept
// destructor with the library's own function.
#pragma once

#include <type_traits>
#include <utility>

namespace tunedeck {

// `Release` takes the handle (`SDL_DestroyWindow(SDL_Window*)`, `close(int)`) or its address
// (FFmpeg's `av_frame_free(AVFrame**)`); `kNone` is the value that holds nothing.
template <typename T, auto Release, T kNone = T{}>
class UniqueHandle {
  public:
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(T handle) noexcept : handle_(handle) {}
    ~UniqueHandle() noexcept { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    T get() const noexcept { return handle_; }
    T operator->() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != kNone; }

    // For C calls that create into a T* (what was held is released first).
    T* out() noexcept {
        reset();
        return &handle_;
    }
    // Gives the handle up without releasing it.
    T release() noexcept { return std::exchange(handle_, kNone); }
    void reset(T handle = kNone) noexcept {
        T old = std::exchange(handle_, handle);
        if (old == kNone) return;
        if constexpr (std::is_invocable_v<decltype(Release), T*>) {
            Release(&old);
        } else {
            Release(old);
        }
    }

  private:
    T handle_ = kNone;
};

}  // namespace tunedeck
