#include "app/presencecheck.h"

#include <atomic>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/audio/radio.h"
#include "platform/lib/posix/threadpriority.h"

namespace tunedeck {

bool ispresent(const std::string& path) {
    if (isradioaddress(path)) return true;
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

// Shared by the check's thread and its owner, which may be gone before the thread ends.
struct PresenceCheck::Channel {
    std::atomic<bool> stopped{false};
    std::mutex lock;
    bool done = false;
    std::vector<std::string> missing;
};

namespace {

void look(const std::shared_ptr<PresenceCheck::Channel>& channel, const std::filesystem::path& file,
          const QueueFile& named) {
    std::vector<std::string> missing;
    const auto wrong = readqueue(file, named, [&](std::string_view, std::string_view path) {
        if (channel->stopped) return false;
        std::string whole(path);
        if (!ispresent(whole)) missing.push_back(std::move(whole));
        return true;
    });
    std::lock_guard<std::mutex> guard(channel->lock);
    // A file that changed since the queue came from it tells nothing of the queue's files.
    if (!wrong && !channel->stopped) channel->missing = std::move(missing);
    channel->done = true;
}

}  // namespace

PresenceCheck::PresenceCheck(std::filesystem::path file, QueueFile named)
    : channel_(std::make_shared<Channel>()) {
    // Detached: a file system that hangs holds only this thread, which holds the channel.
    std::thread([channel = channel_, file = std::move(file), named] {
        namethread("presencecheck");
        lowerthreadpriority();
        try {
            look(channel, file, named);
        } catch (...) {  // out of memory: the queue keeps every entry
            std::lock_guard<std::mutex> guard(channel->lock);
            channel->done = true;
        }
    }).detach();
}

PresenceCheck::~PresenceCheck() {
    channel_->stopped = true;
}

std::optional<std::vector<std::string>> PresenceCheck::take() {
    std::lock_guard<std::mutex> guard(channel_->lock);
    if (!channel_->done) return std::nullopt;
    return std::move(channel_->missing);
}

}  // namespace tunedeck
