#include "platform/audio/radio.h"

#include <algorithm>
#include <array>

namespace tunedeck {

namespace {

// The title is read from the connection at most this often: a station changes it per song.
constexpr auto kTitleInterval = std::chrono::milliseconds(250);

bool startscaseless(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char p, char t) {
               return p == ((t >= 'A' && t <= 'Z') ? static_cast<char>(t - 'A' + 'a') : t);
           });
}

}  // namespace

bool isradioaddress(std::string_view text) {
    constexpr std::array<std::string_view, 2> kSchemes = {"http://", "https://"};
    return std::any_of(kSchemes.begin(), kSchemes.end(), [text](std::string_view scheme) {
        return startscaseless(text, scheme) && text.size() > scheme.size();
    });
}

RadioSource::RadioSource(std::string url) : url_(std::move(url)) {}

LiveStatus RadioSource::status() const {
    std::lock_guard lock(mutex_);
    return status_;
}

void RadioSource::abort() {
    {
        std::lock_guard lock(mutex_);
        stop_.store(true);
    }
    wake_.notify_all();
}

void RadioSource::setlink(LiveStatus::Link link) {
    std::lock_guard lock(mutex_);
    status_.link = link;
}

// One attempt, bounded by kFirstAnswer and by abort().
bool RadioSource::connect() {
    try {
        decoder_ = std::make_unique<Decoder>(NetworkInput{url_, &stop_, kFirstAnswer});
        return true;
    } catch (...) {
        decoder_.reset();  // unreachable, no answer in time, or no sound it can decode
        return false;
    }
}

// Waits `wait` unless aborted first; false when aborted.
bool RadioSource::pause(std::chrono::milliseconds wait) {
    std::unique_lock lock(mutex_);
    return !wake_.wait_for(lock, wait, [this] { return stop_.load(); });
}

// Attempts until one connects, waiting longer after each failure; false when aborted.
bool RadioSource::reconnect() {
    setlink(LiveStatus::Link::Reconnecting);
    while (!stop_.load()) {
        if (!pause(retry_)) return false;
        retry_ = std::min(retry_ * 2, kLongestRetry);
        if (connect()) return true;
    }
    return false;
}

void RadioSource::followtitle() {
    const auto now = std::chrono::steady_clock::now();
    if (now < titlecheck_) return;
    titlecheck_ = now + kTitleInterval;
    std::string title = decoder_->streamtitle();
    std::lock_guard lock(mutex_);
    if (!title.empty()) status_.title = std::move(title);
}

bool RadioSource::decode(std::vector<uint8_t>& out) {
    if (!answered_ && !decoder_ && !connect()) {
        setlink(LiveStatus::Link::Ended);
        return false;
    }
    while (!stop_.load()) {
        if (!decoder_ && !reconnect()) break;
        if (decoder_->decode(out)) {
            if (!sounding_) setlink(LiveStatus::Link::Playing);
            sounding_ = answered_ = true;
            retry_ = kFirstRetry;
            followtitle();
            return true;
        }
        decoder_.reset();  // dropped, stalled or ended by the station: connect again
        sounding_ = false;
        if (!answered_) break;
    }
    setlink(LiveStatus::Link::Ended);
    return false;
}

}  // namespace tunedeck
