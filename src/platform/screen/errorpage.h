// The page of a drawn message box: the jukebox's gradient, the box's title in large white type,
// the message broken into lines that fit the screen's width, and an OK button, all kept inside
// the screen at any display size.
// UI thread only.
#pragma once

#include <string>
#include <vector>

#include "platform/screen/screen.h"

namespace tunedeck {

// The text as lines no wider than `widthpx` in `font`: a break at every CR LF, CR or LF, then
// at blanks; a word wider than the line is broken between characters.
std::vector<std::string> wraplines(TTF_Font* font, const std::string& text, int widthpx);

// Puts the page on a screen that has no elements yet. Throws std::runtime_error when no font opens.
void builderrorpage(Screen& screen, const std::string& title, const std::string& text);

}  // namespace tunedeck
