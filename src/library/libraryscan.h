// The scan of the music library in the background. A worker thread walks the tree (browse/scan.h)
// with its own folder lists and hands what it finds over in batches; the UI thread takes each
// batch when the worker's wake-up event arrives, appends its entries to the play queue and
// starts playback when nothing plays. The worker also fills the library index, which it shares
// with the search. It never touches the queue, the player or the screen.
//
// A scan queues for the queue generation that was current when it started: once the queue is
// cleared or replaced (C, Enter on a playlist or on a file not queued, Space), the scan's later
// entries are dropped, as if it had finished at that moment. Starting a new scan ends the old
// one. Nothing ever waits for the worker: a walk stuck in a slow file system is left behind,
// and ends by itself once the file system answers.
//
// All member functions: UI thread. The wake-up callback runs on the worker thread.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "audio/queue.h"
#include "browse/scan.h"
#include "library/libraryindex.h"

namespace tunedeck {

// What the worker hands to the UI thread, under its lock.
struct ScanChannel {
    std::atomic<bool> stopped{false};   // the UI thread ended the walk: nothing more is handed
    std::atomic<bool> queueing{false};  // the UI thread still takes queue entries
    std::mutex lock;
    std::condition_variable changed;
    std::vector<std::vector<QueueEntry>> batches;  // found, not yet taken, in walk order
    bool music = false;                            // the walk met a music file of any format
    bool done = false;                             // the walk ended
    bool posted = false;                           // a wake-up is on its way to the UI thread
    // Asks the UI thread to take what was found; false when the request could not be posted.
    std::function<bool()> wake;
};

// How far a scan has come, as the UI thread sees it.
struct ScanProgress {
    int queued = 0;        // entries that joined the queue with this take
    bool music = false;    // the walk met a music file of any format so far
    bool running = false;  // the walk goes on
};

class LibraryScan : public FolderScan {
  public:
    // `wake` posts the UI thread's wake-up event; it is called on the worker thread. Each walk
    // fills `index` afresh; without one (the phone remote off) no index is kept.
    LibraryScan(PlayQueue& queue, ScanPlayer player, std::function<bool()> wake,
                std::shared_ptr<LibraryIndex> index = nullptr);
    // Ends the walk without waiting for it.
    ~LibraryScan() override;
    LibraryScan(const LibraryScan&) = delete;
    LibraryScan& operator=(const LibraryScan&) = delete;

    void start(const FolderLists& listed, const NameOptions& names, const ScanFormats& formats,
               bool queue) override;
    void start(const std::string& folder, const NameOptions& names, const ScanFormats& formats,
               bool queue) override;
    // Ends the walk that runs, if any: nothing it finds afterwards is handed over.
    void stop();
    // Takes what the worker handed over since the last take (see the top of this file), a
    // bounded share at a time: while more waits, the wake-up is posted again.
    ScanProgress take();
    // Blocks until the walk met a music file of any format or ended, at most `limit`, then takes
    // what was handed over. True when music was met, false when the walk ended without; empty
    // when neither was known in time (a slow file system).
    std::optional<bool> waitformusic(std::chrono::milliseconds limit);
    // True while a walk goes on.
    bool running() const { return channel_ != nullptr && !finished_; }
    // True while a walk goes on that still adds to the queue.
    bool queueing() const { return running() && channel_->queueing.load(); }

  private:
    void begin(FolderLists lists, std::string root, const NameOptions& names,
               const ScanFormats& formats, bool queue);
    void collect(bool& done);
    std::size_t appendbacklog(std::size_t limit);
    void dropbacklog();
    void endqueueing();
    void finish();

    PlayQueue& queue_;
    ScanPlayer player_;
    std::function<bool()> wake_;
    std::shared_ptr<LibraryIndex> index_;
    std::shared_ptr<ScanChannel> channel_;
    // Batches handed over and not yet in the queue: a take appends a share of them, from
    // entry backlogfirst_ of the first batch on.
    std::deque<std::vector<QueueEntry>> backlog_;
    std::size_t backlogfirst_ = 0;
    uint64_t generation_ = 0;  // the queue generation the walk queues for
    bool started_ = false;     // the scan started an entry
    bool music_ = false;
    bool finished_ = false;
};

}  // namespace tunedeck
