// What the remote's threads ask of the UI thread, carried by one SDL user event registered per
// application: a key to hand to the key handler, a pairing code to show, or a volume to set.
// The constructor and decode() on the UI thread; the post functions from any thread.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <optional>

namespace tunedeck {

class UiEvents {
  public:
    // Registers the event type; SDL's event queue must be initialised.
    UiEvents();

    enum class Kind : int32_t { Key = 1, PairingCode = 2, Open = 3, Volume = 4 };
    struct Request {
        Kind kind;
        int32_t value;    // the key code, the six-digit code, or the volume 0..100
        uint64_t id = 0;  // Open: the library index's id of the match to list
    };

    // False when the event queue is full or gone; nothing was posted then.
    bool postkey(int16_t keycode) const;
    bool postpairingcode(int32_t code) const;
    bool postopen(uint64_t id) const;
    bool postvolume(int32_t volume) const;

    // The request an event carries, or empty for any other event.
    std::optional<Request> decode(const SDL_Event& event) const;

  private:
    bool post(Kind kind, int32_t value, uint64_t id = 0) const;

    uint32_t type_ = 0;
};

}  // namespace tunedeck
