// What the remote's threads ask of the UI thread, carried by one SDL user event registered per
// application: a key to hand to the key handler, a pairing code to show, a volume to set, or one
// of the requests that say more than a key can (a row, a queue entry, a place in the file, a
// search match to open).
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

    enum class Kind : int32_t {
        Key = 1,
        PairingCode = 2,
        Open = 3,         // id: the library index's id of the match to list
        Volume = 4,       // value: the volume 0..100
        Highlight = 5,    // value: the 1-based row of the list page
        QueueMove = 6,    // value: from, second: to (0-based queue rows)
        QueueRemove = 7,  // value: the 0-based queue row
        QueuePlay = 8,    // value: the 0-based queue row
        Seek = 9,         // value: milliseconds; second: 1 from the start of the file, 0 relative
        Paired = 10,      // value: 1 by the six-digit code, 0 by the QR code's one-time token
    };
    struct Request {
        Kind kind;
        int32_t value;       // the key code, the six-digit code, or the request's first number
        int32_t second = 0;  // the request's second number, where it has one
        uint64_t id = 0;     // Open: the library index's id of the match to list
    };

    // Each is false when the event queue is full or gone; nothing was posted then.
    bool postkey(int16_t keycode) const;
    bool postpairingcode(int32_t code) const;
    bool postopen(uint64_t id) const;
    bool postvolume(int32_t volume) const;
    bool posthighlight(int32_t row) const;
    bool postqueuemove(int32_t from, int32_t to) const;
    bool postqueueremove(int32_t row) const;
    bool postqueueplay(int32_t row) const;
    bool postseek(int32_t milliseconds, bool fromstart) const;
    bool postpaired(bool bycode) const;

    // The request an event carries, or empty for any other event.
    std::optional<Request> decode(const SDL_Event& event) const;

  private:
    // `value` travels in the event's first pointer field, `payload` (a second number or an id)
    // in its second.
    bool post(Kind kind, int32_t value, uint64_t payload = 0) const;

    uint32_t type_ = 0;
};

}  // namespace tunedeck
