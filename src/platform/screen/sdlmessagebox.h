// Modal message boxes through SDL: title, text, icon and one OK button that Return (and Esc)
// dismiss. UI thread only.
#pragma once

#include <SDL.h>

#include "platform/screen/messagebox.h"

namespace tunedeck {

class SdlMessageBoxes : public MessageBoxes {
  public:
    // `parent` may be null (before the window exists).
    explicit SdlMessageBoxes(SDL_Window* parent = nullptr) : parent_(parent) {}
    void setparent(SDL_Window* parent) { parent_ = parent; }
    void show(const std::string& title, const std::string& text, MessageIcon icon) override;

  private:
    SDL_Window* parent_;
};

}  // namespace tunedeck
