// What the television shows and plays, as the phone remote, the HTTP API and the desktop media
// controls see it. The UI thread fills one after each change; other threads read copies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tunedeck {

// The cover of what plays, held in memory for the remote to serve.
struct CoverPicture {
    std::string id;      // names these bytes: equal bytes, equal id
    std::string type;    // "image/jpeg", "image/png", ...
    std::string bytes;   // the encoded picture
    std::string arturl;  // a file:// address of the same picture, for the media controls
};

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
    std::vector<std::string> queuenames;  // display names of the queue's entries, in play order
    int queueplaying = -1;                // the 0-based entry that plays; -1 when none of them
    // The tags of the file that plays ("" for what they do not say), and its cover.
    std::string tagtitle;
    std::string tagartist;
    std::string tagalbum;
    int tracknumber = 0;
    std::shared_ptr<const CoverPicture> cover;  // null when there is none
    bool canseek = false;                       // a file plays or is paused
    uint32_t seeks = 0;                         // counts the seeks the remote asked for
    int track = 0;  // queue row (file mode) or disc track (CD mode) of what plays
    // What the playback keys would do now.
    bool cannext = false;
    bool canprevious = false;
    bool canplay = false;
    bool canpause = false;

    bool operator==(const RemoteState&) const = default;
};

// The JSON object of the API: one line, UTF-8 (invalid bytes shown as U+FFFD).
std::string statejson(const RemoteState& state);

// One page of the queue as JSON: `limit` entries from the 0-based `offset` (fewer at the end),
// each with its position, display name and whether it plays, and the queue's total.
std::string queuejson(const RemoteState& state, std::size_t offset, std::size_t limit);

}  // namespace tunedeck
