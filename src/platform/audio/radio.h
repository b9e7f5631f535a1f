// A station on the network as a stream's source: it connects on the stream's decoder thread,
// follows the station's title, and after a dropped connection connects again, waiting 1, 2, 4 ...
// seconds between attempts (at most 30). A station that gives no sound at the first connection
// within kFirstAnswer ends the source at once, like a file that cannot be played.
// decode() on the decoder thread; status() and abort() from any thread.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/audio/decoder.h"
#include "platform/audio/source.h"

namespace tunedeck {

// True for an address a station is played from: http:// or https://, in any case.
bool isradioaddress(std::string_view text);

// What a live stream is doing, as the screen says it.
struct LiveStatus {
    enum class Link { Connecting, Playing, Reconnecting, Ended };
    Link link = Link::Connecting;
    std::string title;  // the station's title of what plays; "" while it has sent none
    bool operator==(const LiveStatus&) const = default;
};

class RadioSource final : public Source {
  public:
    // How long one attempt to connect may take before it counts as no answer.
    static constexpr std::chrono::milliseconds kFirstAnswer{10000};
    static constexpr std::chrono::milliseconds kFirstRetry{1000};
    static constexpr std::chrono::milliseconds kLongestRetry{30000};

    explicit RadioSource(std::string url);

    bool decode(std::vector<uint8_t>& out) override;
    void abort() override;
    uint64_t lengthbytes() const override { return 0; }
    const LoudnessTags& loudness() const override { return none_; }
    bool live() const override { return true; }

    LiveStatus status() const;

  private:
    bool connect();
    bool reconnect();
    bool pause(std::chrono::milliseconds wait);
    void setlink(LiveStatus::Link link);
    void followtitle();

    const std::string url_;
    const LoudnessTags none_;  // a station's level is not known from tags
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    LiveStatus status_;  // under mutex_
    // Decoder thread only.
    std::unique_ptr<Decoder> decoder_;
    std::chrono::milliseconds retry_ = kFirstRetry;
    bool answered_ = false;  // the station has given sound once
    bool sounding_ = false;  // the present connection has given sound
    std::chrono::steady_clock::time_point titlecheck_{};
};

}  // namespace tunedeck
