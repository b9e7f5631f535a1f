// An owned POSIX file descriptor.
#pragma once

#include <unistd.h>

#include "platform/lib/handle.h"

namespace tunedeck {

// A failing close is not reported here; a writer that must know whether its data reached the
// file closes the descriptor itself first (`::close(fd.release())`).
inline void closedescriptor(int fd) noexcept {
    ::close(fd);
}

// An open file descriptor, closed on destruction; -1 holds none.
using FileDescriptor = UniqueHandle<int, closedescriptor, -1>;

}  // namespace tunedeck
