// Message boxes drawn by the jukebox itself: a full-screen window of its own over everything,
// in the jukebox's style, dismissed by any OK-like key of a keyboard or remote control. A kiosk
// has no window manager to give a separate small box the keyboard focus; a full-screen window
// under the pointer gets the keys under X's default focus.
// UI thread only.
#pragma once

#include <SDL.h>

#include <memory>

#include "platform/screen/messagebox.h"
#include "platform/screen/screen.h"

namespace tunedeck {

class DrawnMessageBoxes : public MessageBoxes {
  public:
    // `parent` (null before there is one) gets the keyboard back when the box closes: without
    // a window manager a window that is shown takes the focus, and it would go nowhere after.
    // `fallback` shows the box where ours cannot be drawn (no font, no window) or nobody could
    // see it (SDL's offscreen or dummy video, as without a display).
    DrawnMessageBoxes(SDL_Window* parent, std::unique_ptr<MessageBoxes> fallback);
    // Returns when the box is dismissed, with the program's other events back in the queue.
    void show(const std::string& title, const std::string& text, MessageIcon icon) override;

  private:
    SDL_Window* parent_;
    std::unique_ptr<MessageBoxes> fallback_;
};

// Waits until an OK-like key is pressed (Return, keypad Enter, Esc, Space, X, Select or a
// media key; not an auto-repeat) or the page's window is closed, redrawing the page when its
// window needs it. Other keys are the box's and are dropped; every other event belongs to the
// program and is put back in the queue, in order, when the wait ends.
void waitfordismiss(Screen& page);

}  // namespace tunedeck
