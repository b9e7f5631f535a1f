#include "library/libraryscan.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

#include "platform/lib/posix/freememory.h"
#include "platform/lib/posix/threadpriority.h"

namespace tunedeck {

namespace {

using Clock = std::chrono::steady_clock;

// Entries are handed over at least this often while the walk finds them, and in batches of at
// most this many: the UI thread takes a batch in a fraction of a frame.
constexpr auto kBatchInterval = std::chrono::milliseconds(25);
constexpr std::size_t kBatchEntries = 4096;
// The UI thread appends at most this many entries per turn of its event loop (about a
// millisecond of work, a growth of the queue's tables aside), so that a key waits for no more
// even when the worker found far more since the last turn, as on a single busy core.
constexpr std::size_t kTakeEntries = 1024;
// A walk that queues keeps the process's own priority until it has handed its first entries
// over, or for at most this long: the first sound waits for them, and a lowered thread on a
// busy machine waits behind every other program. Then it yields to the event loop and the
// audio for the rest of the walk.
constexpr auto kEagerWalk = std::chrono::milliseconds(100);

// Lowers the worker's priority once the first entries are out or the eager span is over.
class WalkPriority {
  public:
    explicit WalkPriority(bool eager) : eager_(eager), begun_(Clock::now()) {
        if (!eager_) lowerthreadpriority();
    }
    void update(bool handed, Clock::time_point now) {
        if (!eager_ || (!handed && now - begun_ < kEagerWalk)) return;
        eager_ = false;
        lowerthreadpriority();
    }

  private:
    bool eager_;
    Clock::time_point begun_;
};

struct WalkJob {
    std::shared_ptr<ScanChannel> channel;
    std::shared_ptr<LibraryIndex> index;  // null: none is kept
    FolderLists lists;  // the worker's own; standing in `root` when the caller had read it
    std::string root;
    NameOptions names;
    ScanFormats formats;
};

// Hands the worker's entries over; false when the UI thread ended the walk. The lock is held
// only to move the batch as a whole and post the wake-up (never after a stop: what the wake-up
// reaches may be gone by then): the worker runs at a lower priority, and the UI thread must
// never wait long for it.
bool handover(ScanChannel& channel, std::vector<QueueEntry>& entries, bool music, bool done) {
    {
        std::lock_guard<std::mutex> guard(channel.lock);
        if (channel.stopped) return false;
        if (channel.queueing && !entries.empty()) channel.batches.push_back(std::move(entries));
        channel.music = channel.music || music;
        channel.done = done;
        if (!channel.posted && channel.wake) channel.posted = channel.wake();
        channel.changed.notify_all();
    }
    entries = {};
    return true;
}

// The worker's walk, handing entries over as the batch rules say.
void walk(WalkJob& job) {
    ScanChannel& channel = *job.channel;
    FolderLists& folders = job.lists;
    std::vector<QueueEntry> found;
    bool music = false;
    bool handed = false;  // something was handed over already
    WalkPriority priority(channel.queueing);
    auto last = Clock::now();
    const uint32_t indexwalk =
        job.index ? job.index->begin(normalfolderpath(job.root), job.names) : 0;
    const bool whole = walkfolders(folders, job.root, [&](const WalkedFolder& folder) {
        if (channel.stopped) return false;
        if (job.index) job.index->add(indexwalk, folder);
        const bool newmusic = !music && holdsmusic(folder);
        music = music || newmusic;
        if (channel.queueing) queueentries(folder, job.names, job.formats, found);
        const auto now = Clock::now();
        const bool due = (!handed && !found.empty()) || newmusic || found.size() >= kBatchEntries ||
                         (!found.empty() && now - last >= kBatchInterval);
        bool more = true;
        if (due) {
            handed = handed || !found.empty();
            last = now;
            more = handover(channel, found, music, false);
        }
        priority.update(handed, now);
        return more;
    });
    const bool handed_all = handover(channel, found, music, true);
    // The queue is whole before the index is ranked: until then a search orders its matches
    // by their search form.
    if (whole && handed_all && job.index) job.index->finish(indexwalk);
    releasefreememory();  // what the walk and the ranking freed
}

// The worker thread's entry: it never lets an exception out, and a failure ends the walk as
// if the tree ended there.
void runworker(WalkJob job) {
    namethread("libraryscan");
    try {
        walk(job);
    } catch (...) {
        std::vector<QueueEntry> none;
        try {
            handover(*job.channel, none, false, true);
        } catch (...) {  // nothing more can be told
        }
    }
}

}  // namespace

LibraryScan::LibraryScan(PlayQueue& queue, ScanPlayer player, std::function<bool()> wake,
                         std::shared_ptr<LibraryIndex> index)
    : queue_(queue), player_(std::move(player)), wake_(std::move(wake)), index_(std::move(index)) {}

LibraryScan::~LibraryScan() {
    stop();
}

void LibraryScan::start(const FolderLists& listed, const NameOptions& names,
                        const ScanFormats& formats, bool queue) {
    begin(listed, listed.Dirs().path(), names, formats, queue);
}

void LibraryScan::start(const std::string& folder, const NameOptions& names,
                        const ScanFormats& formats, bool queue) {
    begin(FolderLists{}, folder, names, formats, queue);
}

void LibraryScan::begin(FolderLists lists, std::string root, const NameOptions& names,
                        const ScanFormats& formats, bool queue) {
    stop();
    channel_ = std::make_shared<ScanChannel>();
    channel_->queueing = queue;
    channel_->wake = wake_;
    generation_ = queue_.generation;
    started_ = false;
    music_ = false;
    finished_ = false;
    if (queue) queue_.growing = true;
    // Detached: the channel it shares lives as long as either side needs it.
    std::thread(runworker,
                WalkJob{channel_, index_, std::move(lists), std::move(root), names, formats})
        .detach();
}

void LibraryScan::stop() {
    if (channel_ == nullptr) return;
    {
        std::lock_guard<std::mutex> guard(channel_->lock);
        channel_->stopped = true;
        channel_->batches.clear();
    }
    dropbacklog();
    endqueueing();
    finished_ = true;
}

void LibraryScan::endqueueing() {
    if (!channel_->queueing) return;
    channel_->queueing = false;
    if (queue_.generation != generation_) return;  // the queue is no longer the scan's
    queue_.growing = false;
    // No entry started, or the last one ended while more were awaited: the queue stands at
    // its start, as when it has played to its end.
    if (queue_.playlistcount > 0 && queue_.playlistpos >= queue_.playlistcount)
        queue_.playlistpos = 0;
}

// Moves what the worker handed over behind the entries still waiting on the UI thread.
void LibraryScan::collect(bool& done) {
    std::vector<std::vector<QueueEntry>> batches;
    {
        std::lock_guard<std::mutex> guard(channel_->lock);
        batches.swap(channel_->batches);
        music_ = music_ || channel_->music;
        done = channel_->done;
        channel_->posted = false;
    }
    for (auto& batch : batches) backlog_.push_back(std::move(batch));
}

// Appends up to `limit` waiting entries to the queue; the number appended.
std::size_t LibraryScan::appendbacklog(std::size_t limit) {
    std::size_t count = 0;
    while (count < limit && !backlog_.empty()) {
        std::vector<QueueEntry>& batch = backlog_.front();
        for (; backlogfirst_ < batch.size() && count < limit; ++backlogfirst_, ++count)
            queue_.append(std::move(batch[backlogfirst_].name),
                          std::move(batch[backlogfirst_].path));
        if (backlogfirst_ == batch.size()) {
            backlog_.pop_front();
            backlogfirst_ = 0;
        }
    }
    return count;
}

ScanProgress LibraryScan::take() {
    ScanProgress progress;
    if (channel_ == nullptr || finished_) return progress;
    bool done = false;
    collect(done);
    // The queue was cleared or replaced: the rest of the walk does not belong to it.
    if (channel_->queueing && queue_.generation != generation_) {
        channel_->queueing = false;
        dropbacklog();
    }
    const int before = queue_.playlistcount;
    const std::size_t count = appendbacklog(kTakeEntries);
    if (count > 0) {
        progress.queued = static_cast<int>(count);
        // Playback starts with the first entry that starts, and again when the entry playing
        // ended while the next ones were still awaited (playlistpos then stands past them).
        // Once something plays, a user's stop is not undone by the entries that follow.
        const bool awaited = queue_.playlistpos >= before;
        if (!started_ || awaited) startifidle(queue_, player_);
        started_ = started_ || player_.active();
    }
    if (!backlog_.empty()) {
        // The rest joins on the next turn of the event loop, after the keys that came first.
        if (wake_) wake_();
    } else if (done) {
        finish();
    }
    progress.music = music_;
    progress.running = !finished_;
    return progress;
}

void LibraryScan::dropbacklog() {
    backlog_.clear();
    backlogfirst_ = 0;
}

void LibraryScan::finish() {
    endqueueing();
    finished_ = true;
}

std::optional<bool> LibraryScan::waitformusic(std::chrono::milliseconds limit) {
    if (channel_ == nullptr) return false;
    bool known = false;
    {
        std::unique_lock<std::mutex> guard(channel_->lock);
        known = channel_->changed.wait_for(guard, limit,
                                           [this] { return channel_->music || channel_->done; });
    }
    const ScanProgress progress = take();
    if (!known && !progress.music && progress.running) return std::nullopt;
    return progress.music;
}

}  // namespace tunedeck
