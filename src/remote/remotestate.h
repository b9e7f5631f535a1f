// What the television shows and plays, as the phone remote, the HTTP API and the desktop media
// controls see it. The UI thread fills one after each change; other threads read copies.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tunedeck {

struct RemoteState {
    std::string mode = "file";  // "file" or "cd"
    std::string title;
    std::vector<std::string> rows;   // the texts of the list page, top first
    std::vector<std::string> icons;  // per row: "music", "queued", "playlist", "folder",
                                     // "letter" (a cell of the letter grid) or "" (none)
    int highlight = 0;               // 1-based row; 0 when nothing is highlighted
    bool moreabove = false;
    bool morebelow = false;
    std::string playing;            // display name of what plays (or is paused), "" when stopped
    int64_t position = 0;           // seconds
    int64_t length = 0;             // seconds
    std::string state = "stopped";  // "playing", "paused" or "stopped"
    std::string queue;              // the queue line
    int track = 0;                  // queue row (file mode) or disc track (CD mode) of what plays
    // What the playback keys would do now.
    bool cannext = false;
    bool canprevious = false;
    bool canplay = false;
    bool canpause = false;
    int volume = 100;  // the software volume, 0..100

    bool operator==(const RemoteState&) const = default;
};

// The JSON object of the API: one line, UTF-8 (invalid bytes shown as U+FFFD).
std::string statejson(const RemoteState& state);

}  // namespace tunedeck
