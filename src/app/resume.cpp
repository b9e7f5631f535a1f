// Resume: the saved state read and put back at start-up, and written again whenever it changes
// (and every few seconds while a file plays, for its position).
#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <system_error>
#include <unordered_set>

#include "app/application.h"
#include "app/presencecheck.h"
#include "browse/paging.h"
#include "settings/userfolders.h"

namespace tunedeck {

namespace {

namespace fs = std::filesystem;

// While a file plays, its position is written at least this often; a position that moved
// other than by playing (a seek) is written at once. A power cut then loses at most this much.
constexpr uint64_t kPositionEveryMs = 5000;
constexpr int64_t kPositionSlackSeconds = 2;

bool isfolder(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

bool within(const std::string& folder, const std::string& root) {
    return folder == root || folder.starts_with(root == "/" ? root : root + "/");
}

// How the rows of `count` that `present` keeps stand to row `entry`.
struct KeptRows {
    int count = 0;       // rows kept
    int before = 0;      // of them, ahead of row `entry`
    bool entry = false;  // whether row `entry` is kept
};

KeptRows keptrows(int count, int entry, const std::function<bool(int row)>& present) {
    KeptRows kept;
    for (int row = 0; row < count; ++row) {
        if (!present(row)) continue;
        ++kept.count;
        if (row < entry) ++kept.before;
        if (row == entry) kept.entry = true;
    }
    return kept;
}

// Moves the saved entry as when the `count` entries that `present` says are gone are left
// out: to its new row, or, when its own file is gone, to the next entry left, from its start
// (past the last one: stopped at the first). A taken-out file that is gone leaves the queue to
// go on with the entry after it. The rows themselves are the caller's to leave out.
SavedState placed(SavedState saved, int count, const std::function<bool(int row)>& present) {
    const KeptRows kept = keptrows(count, saved.entry, present);
    const int before = kept.before;
    bool entrykept = kept.entry;
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
    if (!saved.takenout && entry >= kept.count) {
        entry = 0;
        if (!entrykept) saved.play = PlayState::Stopped;
    }
    saved.entry = entry;
    return saved;
}

// An earlier version's state holds its queue: its entries whose files are gone are left out
// at once.
SavedState withoutmissing(SavedState saved) {
    const int count = static_cast<int>(saved.queue.size());
    std::vector<bool> here(saved.queue.size());
    for (int i = 0; i < count; ++i)
        here[static_cast<std::size_t>(i)] =
            ispresent(saved.queue[static_cast<std::size_t>(i)].path);
    saved =
        placed(std::move(saved), count, [&](int i) { return here[static_cast<std::size_t>(i)]; });
    std::vector<QueueEntry> kept;
    for (int i = 0; i < count; ++i)
        if (here[static_cast<std::size_t>(i)])
            kept.push_back(std::move(saved.queue[static_cast<std::size_t>(i)]));
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
    auto read = readstatefile(statefile());
    if (!read) return std::nullopt;
    if (const std::string* why = std::get_if<std::string>(&*read)) {
        saystateunused(*why);
        return std::nullopt;
    }
    SavedState& stored = std::get<SavedState>(*read);
    if (!stored.queuefile) {
        SavedState saved = withoutmissing(std::move(stored));
        if (saved.queue.empty() && !saved.takenout) return std::nullopt;
        return saved;
    }
    // The queue file the state on disk names is kept until a new state names the other. The
    // queue's files are looked for once the music plays; until then each counts as there.
    diskslot_ = stored.queuefile->slot;
    const int count = stored.queuefile->count;
    SavedState saved = placed(std::move(stored), count, [](int) { return true; });
    if (count == 0 && !saved.takenout) return std::nullopt;
    return saved;
}

void Application::saystateunused(const std::string& why) {
    std::cerr << "tunedeck: the saved state " << statefile().string() << " " << why
              << "; starting without it\n";
}

namespace {

// Whether the saved entry can play before its queue is read: it plays (or is paused), and it is
// a taken-out file (which needs no rows) or one of the rows saved around it, still there.
bool playsfromaround(const SavedState& saved) {
    if (saved.play == PlayState::Stopped) return false;
    if (saved.takenout) return true;
    const int row = saved.entry - saved.aroundfirst;
    return row >= 0 && row < static_cast<int>(saved.around.size()) &&
           ispresent(saved.around[static_cast<std::size_t>(row)].path);
}

}  // namespace

bool Application::restorestate(SavedState& saved) {
    if (!saved.queuefile) {  // an earlier version's state holds its queue
        restoreplayback(saved, 0);
        return true;
    }
    const bool early = playsfromaround(saved);
    if (early) {
        for (const QueueEntry& e : saved.around) queue_->append(e.name, e.path);
        restoreplayback(saved, saved.aroundfirst);
    }
    PlayQueue whole;
    if (const auto wrong = loadqueue(*saved.queuefile, whole)) {
        saystateunused(*wrong);
        playback_->stop();
        queue_->clear();
        return false;
    }
    queue_->adoptwhole(std::move(whole), early ? saved.aroundfirst : 0);
    if (!early) restoreplayback(saved, 0);
    // The queue file read is the queue: it is not written again.
    queuefile_ = saved.queuefile;
    queuewritten_ = std::pair(queue_->generation, queue_->revision);
    presencecheck_ = std::make_unique<PresenceCheck>(statefile(), *saved.queuefile);
    presencegeneration_ = queue_->generation;
    return true;
}

// The entries of the queue file `named` go straight into `into`. The reason when that file is
// not the one named, or is damaged.
std::optional<std::string> Application::loadqueue(const QueueFile& named, PlayQueue& into) {
    // Room for the entries at once, but no more than the file can hold (a line is at least
    // three bytes): the count is not known to be true before the file is read.
    std::error_code ec;
    const std::uintmax_t bytes =
        std::filesystem::file_size(queuefilepath(statefile(), named.slot), ec);
    if (!ec)
        into.reserve(std::min<std::uintmax_t>(static_cast<std::uintmax_t>(named.count), bytes / 3));
    return readqueue(statefile(), named, [&into](std::string_view name, std::string_view path) {
        into.append(name, path);
        return true;
    });
}

// Leaves out the entries whose files the check found gone, once it is over, as at start-up:
// the entry playing keeps playing, the one to play next moves with them.
void Application::leaveoutmissing() {
    if (!presencecheck_) return;
    std::optional<std::vector<std::string>> missing = presencecheck_->take();
    if (!missing) return;
    presencecheck_.reset();
    // A queue replaced since (C, Space, a playlist) is not the one that was looked at.
    if (missing->empty() || queue_->generation != presencegeneration_) return;
    const std::unordered_set<std::string> gone(missing->begin(), missing->end());
    PlayQueue& queue = *queue_;
    const int count = queue.playlistcount;
    std::vector<bool> here(static_cast<std::size_t>(count));
    for (int row = 0; row < count; ++row)
        here[static_cast<std::size_t>(row)] =
            !gone.contains(queue.playlist.path(static_cast<std::size_t>(row)));
    const auto present = [&](int row) { return here[static_cast<std::size_t>(row)]; };
    const int pos = queue.playlistpos;
    const KeptRows kept = keptrows(count, pos, present);
    // An entry whose file went while it plays plays on, taken out of the queue.
    if (pos >= 0 && pos < count && !kept.entry && !queue.takenout &&
        playback_->state() != PlayState::Stopped)
        queue.takenout = std::string(queue.playlist.name(static_cast<std::size_t>(pos)));
    queue.keeponly(present);
    if (queue.takenout)
        queue.playlistpos = kept.entry ? kept.before : kept.before - 1;
    else
        queue.playlistpos = kept.before < queue.playlistcount ? kept.before : 0;
}

// Puts the saved entry and its playback back, the entry being row `saved.entry - firstrow` of
// the queue. An earlier version's saved queue moves into the queue first: a library's queue is
// not held twice.
void Application::restoreplayback(SavedState& saved, int firstrow) {
    queue_->reserve(saved.queue.size());
    for (QueueEntry& e : saved.queue) queue_->append(std::move(e.name), std::move(e.path));
    std::vector<QueueEntry>().swap(saved.queue);
    const int row = saved.entry - firstrow;
    queue_->playlistpos = row;
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
    } else if (row < 0 || row >= queue_->playlistcount ||
               playback_->playfileat(queue_->playlist.path(static_cast<std::size_t>(row)),
                                     seconds)) {
        playback_->playfrom(row, +1, false);
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
    const int count = queue_->playlistcount;
    now.aroundfirst = std::clamp(now.entry - 1, 0, std::max(count - 1, 0));
    for (int row = now.aroundfirst; row <= now.entry + 1 && row < count; ++row)
        now.around.push_back(queue_->playlist[static_cast<std::size_t>(row)]);
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
