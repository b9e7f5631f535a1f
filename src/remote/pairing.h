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
    // Per address: wrong codes, and code requests, in a minute.
    static constexpr auto kWindow = std::chrono::minutes(1);
    static constexpr std::size_t kTriesPerWindow = 5;
    static constexpr int kWrongPerCode = 20;  // from anyone; then the code is void
    // From all addresses together, in an hour: codes checked and found wrong, and codes shown.
    //
    // A code is one of 10^6, drawn anew each time, so a guess hits with a chance of at most
    // 1 in (10^6 - kWrongPerCode): about 10^6 guesses are needed on average however they are
    // spread over codes and addresses. With every limit at its maximum, at most kWrongPerHour
    // guesses an hour are checked, whoever sends them: 10^6 / 100 = 10,000 hours, 417 days,
    // before a stranger can expect to pair. (The per-address and per-code limits only slow
    // them further.) The one-time token of the QR code, 128 random bits, is still checked when
    // this limit is reached, so the owner can pair while a stranger keeps guessing.
    static constexpr auto kLongWindow = std::chrono::hours(1);
    static constexpr std::size_t kWrongPerHour = 100;
    static constexpr std::size_t kCodesPerHour = 30;
    static constexpr std::size_t kMaxTokens = 32;  // the oldest pairing goes first
    static constexpr std::size_t kMaxAddresses = 1024;

    // Reads the paired phones from `tokenfile`; pairings are written back there. Tokens an
    // earlier version kept in plain text are replaced by their hashes there. When the file
    // cannot be read, standard error says so, and it is left as it is: new pairings then last
    // until the jukebox ends.
    explicit Pairing(std::filesystem::path tokenfile);

    bool authorised(std::string_view token) const;

    // A new six-digit code replacing any earlier one that `address` asked for. Empty when
    // `address` asked too often, when another address's code is still good (a stranger cannot
    // cancel a pairing under way), or when too many codes were shown in the last hour.
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
        std::string owner;  // the address that asked for it
    };
    using Times = std::deque<Clock::time_point>;

    // True when `address` has used up its tries in the last minute; else counts one more.
    bool limited(std::map<std::string, Times>& book, const std::string& address,
                 Clock::time_point now, bool count);
    // True when `times` holds `most` times of the last hour; else counts `now` when `count`.
    static bool hourfull(Times& times, std::size_t most, Clock::time_point now, bool count);
    void addtoken(const std::string& token);  // expects mutex_
    void savetokens();                        // expects mutex_
    void readfile();
    // A wrong code's answer: the tries `address` has left under every limit, and whether a code
    // is still on screen.
    Result wrong(const std::string& address, Clock::time_point now) const;  // expects mutex_

    const std::filesystem::path tokenfile_;
    mutable std::mutex mutex_;
    std::vector<std::string> hashes_;  // of the paired tokens, oldest first
    bool filereadable_ = true;         // false: the file is never written over
    Secret code_;
    Secret onetime_;
    std::map<std::string, Times> wrongtries_;
    std::map<std::string, Times> coderequests_;
    Times wrongall_;  // from all addresses
    Times codesall_;
};

}  // namespace tunedeck
