// Translation of SDL key presses into the virtual-key codes the key handler takes:
// letters 'A'..'Z' (65..90) whatever the case, digits 48..57, arrows 37..40, Enter 13, Esc 27,
// Space 32, and the media keys of Linux remotes as the letters of their commands.
#pragma once

#include <SDL.h>

#include <cstdint>

namespace tunedeck {

// The virtual-key code of a key, or 0 for a key the system has no code for.
int16_t virtualkey(SDL_Keycode key);

}  // namespace tunedeck
