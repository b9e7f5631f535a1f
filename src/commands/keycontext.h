// What the key handler works on: the browsing model and player of the application, the list
// view's drawing operations, the sound cues and the screen saver's idle counter.
// UI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "browse/browser.h"
#include "commands/soundcue.h"

namespace tunedeck {

// The drawing operations of the main screen that the commands use.
struct CommandView {
    std::function<void()> renderitems;
    std::function<void()> renderhighlight;
    std::function<void()> renderletters;
    std::function<void(const std::string& title)> rendertitle;
    // Text of row `row` of the list or grid on screen ("" when there is none).
    std::function<std::string(int row)> rowcaption;
    // Shows the drive's mode where the play state is shown.
    std::function<void(const std::string& text)> setstate;
};

struct KeyContext {
    Browser& browser;
    CommandView view;
    SoundCues& cues;
    int16_t& idlecount;
    // Runs the shutdown procedure and ends the program: no further event runs afterwards.
    std::function<void()> quit;

    Playback& playback() { return browser.playback; }
    CdDeck& cd() { return browser.cd; }
    PlayQueue& queue() { return browser.queue; }
    BrowseState& state() { return browser.state; }
    bool cdmode() const { return browser.mode.mediamode == Mode::Cd; }
};

}  // namespace tunedeck
