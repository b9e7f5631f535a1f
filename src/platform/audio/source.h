// What a stream plays: decoded blocks in the output format, one after the other. A file's
// decoder is one source; a station on the network, which connects and reconnects by itself, is
// another. Used by one thread at a time (made on the UI thread, then read by the stream's
// decoder thread); abort() may come from any thread.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/audio/loudnesstags.h"

namespace tunedeck {

class Source {
  public:
    virtual ~Source() = default;

    // Appends the next decoded block to `out`; false once the source has ended.
    virtual bool decode(std::vector<uint8_t>& out) = 0;
    // Makes a pending or later decode() give up soon (any thread).
    virtual void abort() = 0;
    // Expected length in output bytes; 0 when unknown.
    virtual uint64_t lengthbytes() const = 0;
    virtual const LoudnessTags& loudness() const = 0;
    // A live source has no length and no place to move to, and its first decode() may wait on
    // the network: it is never read on the thread that makes the stream.
    virtual bool live() const { return false; }
};

}  // namespace tunedeck
