// The latest state the UI thread published, handed to the server threads: the event streams
// wait here for a newer one, the media-control service is told of each change.
// publish() and setlistener() on the UI thread; everything else from any thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

#include "remote/remotestate.h"

namespace tunedeck {

class StateHub {
  public:
    // At most this many event streams at once; a new one ends the oldest, so a phone that
    // vanished without closing its connection never locks the others out.
    static constexpr std::size_t kMaxStreams = 8;

    // Stores the state when it differs from the last one, wakes the streams and calls the
    // listener. Returns true when it was new.
    bool publish(const RemoteState& state);
    // Called on the publishing thread after each new state; must not block.
    void setlistener(std::function<void()> listener);

    struct Versioned {
        RemoteState state;
        uint64_t version = 0;  // 0 before the first publish
    };
    Versioned latest() const;

    // A stream's place; ended by endstream() or when a newer stream takes it over.
    uint64_t openstream();
    void endstream(uint64_t stream);

    enum class Wake { Newer, Timeout, Ended };
    // Waits until a state newer than `seen` exists (Newer), the time passes (Timeout), or the
    // stream was taken over or the hub closed (Ended).
    Wake waitnewer(uint64_t stream, uint64_t seen, std::chrono::milliseconds timeout);

    // Ends every stream for good, now and later.
    void close();

  private:
    bool live(uint64_t stream) const;  // expects mutex_

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    RemoteState state_;
    uint64_t version_ = 0;
    std::deque<uint64_t> streams_;  // oldest first
    uint64_t nextstream_ = 1;
    bool closed_ = false;
    std::function<void()> listener_;
};

}  // namespace tunedeck
