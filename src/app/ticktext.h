// Text of the status area that the once-a-second tick writes: play times, the queue line and
// the clock. Pure functions, callable from any thread.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "audio/mcireply.h"
#include "audio/queue.h"
#include "platform/audio/radio.h"

namespace tunedeck {

// Seconds as the audio library reports them, taken to whole seconds with a half going to the
// even neighbour. Negative or non-finite input gives 0; 64-bit so that long streams never wrap.
int64_t wholeseconds(double seconds);

// "mm:ss" with at least two digits each; minutes grow past 99 as needed.
std::string minutesseconds(int64_t seconds);

// "elapsed / total" for the file-mode status line.
std::string playtimes(int64_t elapsed, int64_t total);

// What a station plays, for the track line: the title it sends, else its name in the queue.
std::string stationtrack(const LiveStatus& status, const std::string& name);

// The state line of a playing station: the time since it started (it has no length), or what
// keeps it silent: "Connecting..." before it answered, "Reconnecting..." after it dropped.
std::string stationstate(const LiveStatus& status, int64_t elapsed);

// The queue line: empty for an empty queue, else the position and what comes next.
std::string queueline(const PlayQueue& queue);

// "mm:ss" of a disc position, each with at least two digits.
std::string cdelapsed(const CdPosition& position);

// Current date and time in the locale's short date and time-with-seconds formats.
std::string clocktext(std::time_t now);

}  // namespace tunedeck
