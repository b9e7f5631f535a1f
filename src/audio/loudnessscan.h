// The background measurement of loudness: a worker thread at the lowest priority reads the tags
// of the files that play next and measures those without ReplayGain tags (EBU R128), in the
// order it is given (what plays next first), keeping the results in the loudness cache. It never
// holds up a start or a key: the UI thread only hands it lists and looks results up, each under
// a short lock; the files are opened, decoded and written by the worker alone.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "audio/loudnesscache.h"
#include "platform/audio/measure.h"

namespace tunedeck {

// Reads a file's tags and, when `measure` and they give no gain, measures it; `stop` ends that
// early. The platform's examinefile by default.
using FileExaminer = std::function<FileLoudness(const std::string& path, bool measure,
                                                const std::atomic<bool>& stop)>;

class LoudnessScan {
  public:
    // Measured files the cache keeps at most (about 120 bytes each), the oldest dropped first.
    static constexpr std::size_t kMaxLevels = 20000;
    // Album tags and examined files remembered for this run.
    static constexpr std::size_t kMaxKnown = 20000;
    // Of each list, this many files have their tags read before anything is measured: their
    // album decides how the files next to them are levelled.
    static constexpr std::size_t kTagsAhead = 2;

    // Reads the cache `cachefile` (bounded by kMaxLevels, so quick) and starts the worker.
    // With `measure` false, nothing is measured and the cache is neither used nor written;
    // the tags of the files that play next are still read ahead. UI thread.
    explicit LoudnessScan(std::filesystem::path cachefile, bool measure = true,
                          FileExaminer examine = examinefile);
    // Stops the worker (a measurement under way is given up) and writes what is new.
    ~LoudnessScan();
    LoudnessScan(const LoudnessScan&) = delete;
    LoudnessScan& operator=(const LoudnessScan&) = delete;

    // The files to look at, in the order wanted; replaces the list given before. UI thread.
    void follow(std::vector<std::string> paths);

    // The file's measurement when it was measured as it is now (same size and modification
    // time); costs a stat. Any thread.
    std::optional<MeasuredLevel> measured(const std::string& path) const;
    // The file's album tag when it is known, without reading anything. Any thread.
    std::optional<std::string> albumof(const std::string& path) const;
    // Remembers a file's album tag, read elsewhere (from the stream that plays it). Any thread.
    void notealbum(const std::string& path, const std::string& album);

    // Waits until the worker has been through its list, at most `limit`; true when it has.
    bool waitidle(std::chrono::milliseconds limit);
    // Files measured by this instance (not those read from the cache).
    std::size_t measuredcount() const;
    const std::filesystem::path& cachefile() const { return cachefile_; }

  private:
    struct Job {
        std::string path;
        bool measure;  // false: tags only
    };

    void run() noexcept;
    void work();
    void examine(const Job& job);
    bool settled(const std::string& path, const FileKey& key, bool measure) const;
    void record(const std::string& path, const FileKey& key, const FileLoudness& found);
    void remember(const std::string& path, const std::string& album);
    void save(bool always);

    const std::filesystem::path cachefile_;
    const bool measure_;
    const FileExaminer examine_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    // Shared with the UI thread, under the lock.
    std::deque<Job> jobs_;
    bool busy_ = false;  // a job is being done
    LevelTable levels_;  // what lookups see
    std::unordered_map<std::string, std::string> albums_;

    // The worker's own, used without the lock (set before it starts).
    LevelTable own_;                           // the cache as written
    std::map<uint64_t, std::string> byorder_;  // own_'s paths, oldest measured first
    // Files looked at that need no measuring (tagged, not audio, or measuring off), by key.
    std::unordered_map<std::string, FileKey> settled_;
    uint64_t order_ = 0;       // of the newest measurement
    std::size_t unsaved_ = 0;  // measurements since the cache was last written
    std::chrono::steady_clock::time_point savedat_;

    std::atomic<std::size_t> measuredcount_{0};
    std::atomic<bool> stopping_{false};
    std::thread thread_;  // started by the constructor once everything it uses is set
};

}  // namespace tunedeck
