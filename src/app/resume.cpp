// Resume: the saved state read and put back at start-up, and written again whenever it changes
// (and every few seconds while a file plays, for its position).
#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <system_error>

#include "app/application.h"
#include "browse/paging.h"
#include "settings/userfolders.h"

namespace tunedeck {

namespace {

namespace fs = std::filesystem;

// While a file plays, its position is written at least this often; a position that moved
// other than by playing (a seek) is written at once. A power cut then loses at most this much.
constexpr uint64_t kPositionEveryMs = 5000;
constexpr int64_t kPositionSlackSeconds = 2;

// A queue entry is still there: its file, or a station (which is not looked up at start-up).
bool ispresent(const std::string& path) {
    if (isradioaddress(path)) return true;
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

bool isfolder(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

bool within(const std::string& folder, const std::string& root) {
    return folder == root || folder.starts_with(root == "/" ? root : root + "/");
}

// Leaves out the entries whose files are gone, and moves the entry playing with them: to its
// new row, or, when its own file is gone, to the next entry left, from its start (past the
// last one: stopped at the first). A taken-out file that is gone leaves the queue to go on
// with the entry after it.
SavedState withoutmissing(SavedState saved) {
    std::vector<QueueEntry> kept;
    int before = 0;  // entries kept ahead of the saved entry
    bool entrykept = false;
    for (int i = 0; i < static_cast<int>(saved.queue.size()); ++i) {
        QueueEntry& e = saved.queue[static_cast<std::size_t>(i)];
        const bool present = ispresent(e.path);
        if (present && i < saved.entry) ++before;
        if (i == saved.entry) entrykept = present;
        if (present) kept.push_back(std::move(e));
    }
    int entry = before;
    // Stopped, the taken-out file only marks where the queue goes on; playing, it must be there.
    if (saved.takenout && saved.play != PlayState::Stopped && !ispresent(saved.takenout->path)) {
        saved.takenout.reset();
        entry = before + (entrykept ? 1 : 0);
        entrykept = false;
    } else if (saved.takenout) {
        entry = entrykept ? before : before - 1;  // the entry before it, -1 when none is
    }
    if (!entrykept && !saved.takenout) saved.seconds = 0;
    if (!saved.takenout && entry >= static_cast<int>(kept.size())) {
        entry = 0;
        if (!entrykept) saved.play = PlayState::Stopped;
    }
    saved.entry = entry;
    saved.queue = std::move(kept);
    return saved;
}

// Whether two states without their queues differ in more than the position.
bool samebutposition(SavedState a, const SavedState& b) {
    a.seconds = b.seconds;
    return a == b;
}


}  // namespace

std::optional<SavedState> Application::loadstate() {
    if (!settings_.resume || mode_.mediamode != Mode::File) return std::nullopt;
    // A folder that cannot be made shows when the first state cannot be written.
    makestatefolder(options_.statefolder);
    auto read = readstate(statefile());
    if (!read) return std::nullopt;
    if (const std::string* why = std::get_if<std::string>(&*read)) {
        std::cerr << "tunedeck: the saved state " << statefile().string() << " " << *why
                  << "; starting without it\n";
        return std::nullopt;
    }
    SavedState& stored = std::get<SavedState>(*read);
    // The queue file the state on disk names is kept until a new state names the other.
    if (stored.queuefile) diskslot_ = stored.queuefile->slot;
    SavedState saved = withoutmissing(std::move(stored));
    if (saved.queue.empty() && !saved.takenout) return std::nullopt;
    return saved;
}

// The saved queue's entries move into the queue: a library's queue is not held twice. When
// none was left out, the queue file read is the queue: it is not written again.
void Application::restoreplayback(SavedState& saved) {
    queue_->playlist.reserve(saved.queue.size());
    for (QueueEntry& e : saved.queue) queue_->append(std::move(e.name), std::move(e.path));
    std::vector<QueueEntry>().swap(saved.queue);
    if (saved.queuefile && saved.queuefile->count == queue_->playlistcount) {
        queuefile_ = saved.queuefile;
        queuewritten_ = std::pair(queue_->generation, queue_->revision);
    }
    queue_->playlistpos = saved.entry;
    if (saved.play == PlayState::Stopped) {
        // Stopped after its entry was taken out: the queue still goes on after it.
        if (saved.takenout) queue_->takenout = saved.takenout->name;
        return;
    }
    const auto seconds = static_cast<double>(saved.seconds);
    if (saved.takenout) {
        if (!playback_->playfileat(saved.takenout->path, seconds)) {
            queue_->takenout = saved.takenout->name;
        }
    } else if (playback_->playfileat(queue_->playlist.path(static_cast<std::size_t>(saved.entry)),
                                     seconds)) {
        playback_->playfrom(saved.entry, +1, false);
    }
    if (saved.play == PlayState::Paused) playback_->pause();
}

// Shows the folder of the saved state as the keys would have opened it, when it is still a
// folder under the root; the letter grid of the start-up screen otherwise.
void Application::restoreview(const SavedState& saved) {
    const std::string root = reader_.rootpath();
    if (saved.letterfocus || !isfolder(saved.folder) || !within(saved.folder, root)) return;
    if (saved.folder == root && saved.letter.empty() && settings_.showletters) return;
    folders_->setpath(saved.folder);
    levelchange(*browser_);
    BrowseState& state = *browse_;
    // Going back up reaches levels never opened in this run: they start at their first row.
    for (int d = 0; d < state.depth && d < kMaxDepths; ++d) {
        SavedLevel& level = state.levelstate[static_cast<std::size_t>(d)];
        if (level.row < 1) level = {1, 1};
    }
    state.letter = saved.folder == root ? saved.letter : "";
    state.letterfocus = false;
    createitems(*browser_);
    const int perpage = effectiveperpage(settings_.perpage);
    state.page = std::clamp(saved.page, 1, std::max(state.pages, 1));
    state.row = std::clamp(saved.row, 1, perpage);
    if (saved.folder != root) {
        rendertitle(*view_, displayname(*browser_, saved.folder));
    } else if (!state.letter.empty()) {
        rendertitle(*view_, state.letter);
    }
}

SavedState Application::currentstate(bool withqueue) {
    SavedState now;
    if (withqueue) now.queue = queue_->entries();
    now.entry = queue_->playlistpos;
    now.play = playback_->state();
    // Stopped, the taken-out file only marks where the queue goes on: its path plays no part.
    if (queue_->takenout) {
        now.takenout =
            QueueEntry{*queue_->takenout,
                       now.play == PlayState::Stopped ? std::string() : playback_->playingpath()};
    }
    if (now.play != PlayState::Stopped) {
        const double elapsed = playback_->elapsed();
        now.seconds = std::isfinite(elapsed) && elapsed > 0 ? static_cast<int64_t>(elapsed) : 0;
    }
    now.folder = currentfolder(*browser_);
    now.letter = browse_->letter;
    now.page = browse_->page;
    now.row = browse_->row;
    now.letterfocus = browse_->letterfocus;
    return now;
}

// Writes the state when something in it changed, when the position of a playing file is
// due, or always when `now`; the queue's file first, when the queue changed.
void Application::keepstate(bool now) {
    if (!keepingstate_ || ended_) return;
    const uint64_t ticks = SDL_GetTicks64();
    const std::pair<uint64_t, uint64_t> queuemark{queue_->generation, queue_->revision};
    const bool queuechanged = queuewritten_ != queuemark;
    // While a scan adds rows, the queue is written at most this often, and the state, whose
    // entry counts its rows, waits with it.
    if (queuechanged && !now && queue_->growing && queuefile_ &&
        ticks - queuewrittenat_ < kPositionEveryMs)
        return;
    SavedState current = currentstate(false);
    bool due = now || !written_ || queuechanged || !samebutposition(*written_, current);
    if (!due && current.play == PlayState::Playing) {
        const uint64_t since = ticks - writtenat_;
        const auto expected = written_->seconds + static_cast<int64_t>(since / 1000);
        due = since >= kPositionEveryMs ||
              std::llabs(current.seconds - expected) > kPositionSlackSeconds;
    } else if (!due) {
        due = current.seconds != written_->seconds;
    }
    if (!due) return;
    if (options_.onsavestate) options_.onsavestate(currentstate(true));
    try {
        if (queuechanged || !queuefile_) {
            queuefile_ = writequeue(statefile(), diskslot_ == 0 ? 1 : 0, *queue_);
            queuewritten_ = queuemark;
            queuewrittenat_ = ticks;
        }
        writestate(statefile(), current, *queuefile_);
        diskslot_ = queuefile_->slot;
        writefailed_ = false;
    } catch (const std::exception& e) {
        if (!writefailed_) std::cerr << "tunedeck: the state is not saved: " << e.what() << '\n';
        writefailed_ = true;  // said once, tried again at the next change
    }
    written_ = std::move(current);
    writtenat_ = ticks;
}

}  // namespace tunedeck
