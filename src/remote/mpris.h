// The desktop media controls: org.mpris.MediaPlayer2.tunedeck on the session bus (sd-bus).
// Its methods post the keys L, S, N and P and seeks to the UI thread, and a Volume set the
// volume; its properties are read from the state the UI thread publishes, and PropertiesChanged
// signals follow each change.
// start(), stop() and notify() on the UI thread; the bus itself only on the service's thread.
#pragma once

#include <atomic>
#include <thread>

#include "remote/remotestate.h"
#include "remote/statehub.h"
#include "remote/uievents.h"

struct sd_bus;

namespace tunedeck {

class MprisService {
  public:
    // Both must outlive the service.
    MprisService(StateHub& hub, const UiEvents& events);
    ~MprisService() noexcept;
    MprisService(const MprisService&) = delete;
    MprisService& operator=(const MprisService&) = delete;

    // Connects to the session bus, owns the name and serves on a thread of its own. Throws
    // std::runtime_error saying why when there is no session bus or the name is taken.
    void start();
    void stop() noexcept;
    // Tells the service's thread that a new state was published; never blocks.
    void notify() noexcept;

    // Called by the bus's callbacks on the service's thread.
    RemoteState current() const { return hub_.latest().state; }
    void press(int16_t keycode) const { events_.postkey(keycode); }
    void setvolume(int volume) const { events_.postvolume(volume); }
    void seek(int32_t milliseconds, bool fromstart) const {
        events_.postseek(milliseconds, fromstart);
    }

  private:
    void run() noexcept;
    void signalchanges();

    StateHub& hub_;
    const UiEvents& events_;
    sd_bus* bus_ = nullptr;  // owned; see start() and stop()
    int wake_ = -1;          // eventfd the UI thread writes to
    std::atomic<bool> stopping_{false};
    std::thread thread_;
    RemoteState told_;  // service thread only: what the last signal said
};

}  // namespace tunedeck
