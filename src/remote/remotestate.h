// What the television shows and plays, as the phone remote, the HTTP API and the desktop media
// controls see it. The UI thread fills one after each change; other threads read copies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tunedeck {

// The cover of what plays, held in memory for the remote to serve.
struct CoverPicture {
    std::string id;      // names these bytes: equal bytes, equal id
    std::string type;    // "image/jpeg", "image/png", ...
    std::string bytes;   // the encoded picture
    std::string arturl;  // a file:// address of the same picture, for the media controls
};

// The queue's display names as the remote sees them, in play order. Copies share the names,
// which never change once published: a new queue is published as a new QueueNames, and one that
// only grew shares every full chunk of the one before, so publishing after each batch of a scan
// copies only the new names.
class QueueNames {
  public:
    // The names of `count` rows, `nameat(i)` giving row i's; `earlier` when the rows below its
    // size are unchanged since it was made (only rows were appended), else empty.
    QueueNames(const QueueNames* earlier, std::size_t count, uint64_t revision,
               const std::function<std::string_view(std::size_t)>& nameat);
    QueueNames() = default;

    std::size_t size() const { return size_; }
    std::string_view operator[](std::size_t i) const;
    // Changes whenever the names do.
    uint64_t revision() const { return revision_; }
    bool operator==(const QueueNames& other) const {
        return revision_ == other.revision_ && size_ == other.size_;
    }

  private:
    static constexpr std::size_t kChunk = 4096;
    // The names of up to kChunk rows, one after another, kept as small as a library of hundreds
    // of thousands of files asks: a string object each would weigh more than most names.
    struct Chunk {
        std::string text;
        std::vector<uint32_t> ends;  // where each name ends in `text`
    };
    std::vector<std::shared_ptr<const Chunk>> chunks_;
    std::size_t size_ = 0;
    uint64_t revision_ = 0;
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
    QueueNames queuenames;          // display names of the queue's entries, in play order
    int queueplaying = -1;          // the 0-based entry that plays; -1 when none of them
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
    int volume = 100;  // the software volume, 0..100

    bool operator==(const RemoteState&) const = default;
};

// The JSON object of the API: one line, UTF-8 (invalid bytes shown as U+FFFD).
std::string statejson(const RemoteState& state);

// One page of the queue as JSON: `limit` entries from the 0-based `offset` (fewer at the end),
// each with its position, display name and whether it plays, and the queue's total.
std::string queuejson(const RemoteState& state, std::size_t offset, std::size_t limit);

}  // namespace tunedeck
