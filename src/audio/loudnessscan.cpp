#include "audio/loudnessscan.h"

#include <pthread.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/lib/posix/threadpriority.h"

namespace tunedeck {

namespace {

// The cache is written after this many new measurements, or this long after the first unsaved
// one, or when the list is done: a crash loses little, and a library being measured does not
// rewrite the file after every song.
constexpr std::size_t kSaveEvery = 32;
constexpr auto kSaveAfter = std::chrono::seconds(10);
// Beyond this a gain is no measurement to follow (a file of near silence).
constexpr double kMaxGainDb = 60.0;

std::optional<double> gainof(const FileLoudness& found) {
    if (!found.integrated) return std::nullopt;
    return std::clamp(kReferenceLufs - *found.integrated, -kMaxGainDb, kMaxGainDb);
}

}  // namespace

LoudnessScan::LoudnessScan(std::filesystem::path cachefile, bool measure, FileExaminer examine)
    : cachefile_(std::move(cachefile)),
      measure_(measure),
      examine_(std::move(examine)),
      own_(measure ? readlevelcache(cachefile_, kMaxLevels) : LevelTable{}),
      savedat_(std::chrono::steady_clock::now()) {
    for (const auto& [path, level] : own_) {
        order_ = std::max(order_, level.order);
        byorder_.emplace(level.order, path);
    }
    levels_ = own_;
    thread_ = std::thread([this] { run(); });
}

LoudnessScan::~LoudnessScan() {
    {
        const std::lock_guard lock(mutex_);
        stopping_.store(true);
    }
    wake_.notify_all();
    thread_.join();
}

void LoudnessScan::follow(std::vector<std::string> paths) {
    std::deque<Job> jobs;
    for (std::size_t i = 0; i < std::min(kTagsAhead, paths.size()); ++i)
        jobs.push_back({paths[i], false});
    if (measure_) {
        for (auto& path : paths) jobs.push_back({std::move(path), true});
    }
    {
        const std::lock_guard lock(mutex_);
        jobs_ = std::move(jobs);
    }
    wake_.notify_all();
}

std::optional<MeasuredLevel> LoudnessScan::measured(const std::string& path) const {
    if (!measure_) return std::nullopt;
    const auto key = filekey(path);
    if (!key) return std::nullopt;
    const std::lock_guard lock(mutex_);
    const auto it = levels_.find(path);
    if (it == levels_.end() || FileKey{it->second.size, it->second.mtime} != *key)
        return std::nullopt;
    return it->second;
}

std::optional<std::string> LoudnessScan::albumof(const std::string& path) const {
    const std::lock_guard lock(mutex_);
    if (const auto it = albums_.find(path); it != albums_.end()) return it->second;
    if (const auto it = levels_.find(path); it != levels_.end()) return it->second.album;
    return std::nullopt;
}

void LoudnessScan::notealbum(const std::string& path, const std::string& album) {
    const std::lock_guard lock(mutex_);
    remember(path, album);
}

// Under the lock.
void LoudnessScan::remember(const std::string& path, const std::string& album) {
    if (albums_.size() >= kMaxKnown && !albums_.contains(path)) albums_.clear();
    albums_.insert_or_assign(path, album);
}

bool LoudnessScan::waitidle(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return idle_.wait_for(lock, limit, [this] { return jobs_.empty() && !busy_; });
}

std::size_t LoudnessScan::measuredcount() const {
    return measuredcount_.load();
}

void LoudnessScan::run() noexcept {
    idlethreadpriority();
    // Named, so that its share of the processor can be told apart (top -H, /proc).
    pthread_setname_np(pthread_self(), "loudness");
    try {
        work();
    } catch (...) {
        // Out of memory or the like: the jukebox plays on without measuring.
    }
    {
        const std::lock_guard lock(mutex_);
        jobs_.clear();
        busy_ = false;
    }
    idle_.notify_all();
    try {
        save(true);
    } catch (...) {
    }
}

void LoudnessScan::work() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            if (jobs_.empty()) {
                // The list is done: what is new is written before anyone hears of it.
                lock.unlock();
                save(true);
                lock.lock();
                if (jobs_.empty()) busy_ = false;
                idle_.notify_all();
            }
            wake_.wait(lock, [this] { return stopping_.load() || !jobs_.empty(); });
            if (stopping_.load()) return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
            busy_ = true;
        }
        examine(job);
        save(false);
    }
}

// Whether nothing is left to learn of the file as it is now. Worker.
bool LoudnessScan::settled(const std::string& path, const FileKey& key, bool measure) const {
    if (const auto it = settled_.find(path); it != settled_.end() && it->second == key) return true;
    if (const auto it = own_.find(path);
        it != own_.end() && FileKey{it->second.size, it->second.mtime} == key)
        return true;
    if (measure) return false;
    // Tags only: known once its album is.
    const std::lock_guard lock(mutex_);
    return albums_.contains(path);
}

void LoudnessScan::examine(const Job& job) {
    const auto key = filekey(job.path);
    if (!key || settled(job.path, *key, job.measure)) return;
    const FileLoudness found = examine_(job.path, measure_ && job.measure, stopping_);
    // A file changed while it was measured is measured again when it next comes up.
    if (filekey(job.path) != key) return;
    record(job.path, *key, found);
}

// Worker. The lock is held only for a few lookups at a time: this thread runs at the lowest
// priority, and the UI thread must never wait long for it to get the processor back.
void LoudnessScan::record(const std::string& path, const FileKey& key, const FileLoudness& found) {
    if (found.readable) {
        const std::lock_guard lock(mutex_);
        remember(path, found.tags.album);
    }
    if (!found.readable || hasgain(found.tags) || !measure_) {
        if (settled_.size() >= kMaxKnown) settled_.clear();
        settled_.insert_or_assign(path, key);
        return;
    }
    if (!found.measured) return;  // tags only, or stopped
    MeasuredLevel level{key.size, key.mtime, gainof(found), found.peak, found.tags.album, ++order_};
    if (const auto old = own_.find(path); old != own_.end()) byorder_.erase(old->second.order);
    byorder_.emplace(level.order, path);
    own_.insert_or_assign(path, level);
    std::optional<std::string> dropped;
    if (own_.size() > kMaxLevels) {
        dropped = std::move(byorder_.begin()->second);
        byorder_.erase(byorder_.begin());
        own_.erase(*dropped);
    }
    {
        const std::lock_guard lock(mutex_);
        levels_.insert_or_assign(path, std::move(level));
        if (dropped) levels_.erase(*dropped);
    }
    if (unsaved_++ == 0) savedat_ = std::chrono::steady_clock::now();
    measuredcount_.fetch_add(1);
}

// Worker: writes the cache when enough is new (or `always`, when anything is).
void LoudnessScan::save(bool always) {
    if (!measure_ || unsaved_ == 0) return;
    const bool due =
        unsaved_ >= kSaveEvery || std::chrono::steady_clock::now() - savedat_ >= kSaveAfter;
    if (!always && !due) return;
    unsaved_ = 0;
    // A cache that cannot be written costs only measuring again after a restart.
    (void)writelevelcache(cachefile_, own_);
}

}  // namespace tunedeck
