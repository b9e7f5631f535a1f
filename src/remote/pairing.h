// Who may drive the jukebox: the tokens of paired phones, the six-digit code shown on the
// television, the one-time token of the QR code, and the limits on guessing.
// Any thread: every member locks.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tunedeck {

class Pairing {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr auto kCodeLife = std::chrono::minutes(2);
    static constexpr auto kQrLife = std::chrono::seconds(30);
    static constexpr auto kWindow = std::chrono::minutes(1);
    static constexpr std::size_t kTriesPerWindow = 5;  // wrong codes, and code requests
    static constexpr int kWrongPerCode = 20;           // from anyone; then the code is void
    static constexpr std::size_t kMaxTokens = 32;      // the oldest pairing goes first
    static constexpr std::size_t kMaxAddresses = 1024;

    // Reads the paired tokens from `tokenfile`; pairings are written back there.
    explicit Pairing(std::filesystem::path tokenfile);

    bool authorised(std::string_view token) const;

    // A new six-digit code replacing any earlier one; empty when `address` asked too often.
    std::optional<int32_t> requestcode(const std::string& address, Clock::time_point now);
    // A new one-time token for the QR code, replacing any earlier one.
    std::string onetimetoken(Clock::time_point now);

    enum class Outcome { Paired, Wrong, Limited };
    struct Result {
        Outcome outcome;
        std::string token;          // the new token when paired
        bool bycode = false;        // paired by the six-digit code, not the QR code's token
        std::size_t triesleft = 0;  // when wrong: wrong codes `address` may still try this minute
        bool codelive = false;      // when wrong: a six-digit code is still good
    };
    // A six-digit code or a one-time token offered by `address`. Each is good for one pairing.
    Result redeem(std::string_view offered, const std::string& address, Clock::time_point now);

    // Takes back a paired token; false when it was not one.
    bool revoke(std::string_view token);

    // Text of a six-digit code, with its leading zeros.
    static std::string codetext(int32_t code);

  private:
    struct Secret {
        std::string text;
        Clock::time_point until{};
        int wrong = 0;
    };
    using Times = std::deque<Clock::time_point>;

    // True when `address` has used up its tries in the last minute; else counts one more.
    bool limited(std::map<std::string, Times>& book, const std::string& address,
                 Clock::time_point now, bool count);
    void addtoken(const std::string& token);  // expects mutex_
    void savetokens();                        // expects mutex_

    const std::filesystem::path tokenfile_;
    mutable std::mutex mutex_;
    std::vector<std::string> tokens_;  // oldest first
    Secret code_;
    Secret onetime_;
    std::map<std::string, Times> wrongtries_;
    std::map<std::string, Times> coderequests_;
};

}  // namespace tunedeck
