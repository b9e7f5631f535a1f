// What the key handler works on: the browsing model and player of the application, the list
// view's drawing operations, the sound cues and the screen saver's idle counter.
// UI thread only.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "browse/browser.h"
#include "commands/soundcue.h"
#include "platform/audio/bass.h"

namespace tunedeck {

// The drawing operations and row labels of the main screen that the commands use.
struct CommandView {
    std::function<void()> renderitems;
    std::function<void()> renderhighlight;
    std::function<void()> renderletters;
    std::function<void(const std::string& title)> rendertitle;
    // Caption and tag of row label `row` of the list on screen ("" when there is none).
    std::function<std::string(int16_t row)> rowcaption;
    std::function<std::string(int16_t row)> rowtag;
    // The play-state label lblState.
    std::function<void(const std::string& text)> setstate;
};

// The 40-character reply buffer the key handler owns for its CD status queries. A failed
// query leaves it as it was, so it lives as long as the handler.
using KeyReplyBuffer = std::array<char, 40>;

struct KeyContext {
    Browser& browser;
    CommandView view;
    SoundCues& cues;
    int16_t& idlecount;
    KeyReplyBuffer& reply;
    // Runs the shutdown procedure and ends the program: no further event runs afterwards.
    std::function<void()> quit;

    AudioLibrary& bass() { return browser.playback.bass(); }
    PlayQueue& queue() { return browser.queue; }
    BrowseState& state() { return browser.state; }
    bool cdmode() const { return browser.mode.mediamode == kCdMode; }
};

// Sends a status query into the handler's buffer and returns the reply text (before the NUL).
std::string keystatus(KeyContext& context, const char* command);

}  // namespace tunedeck
