#include "remote/pairing.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <stdexcept>

#include "remote/randomsource.h"
#include "remote/tokenfile.h"

namespace tunedeck {
namespace {

constexpr std::size_t kTokenBytes = 32;
constexpr std::size_t kOneTimeBytes = 16;

// Compares in a time that does not depend on where the texts differ.
bool sametext(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    unsigned char diff = 0;
    for (std::size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

// Takes a secret that matches `offered` and is still good; a wrong offer counts against it.
bool take(std::string_view offered, auto& secret, Pairing::Clock::time_point now, int maxwrong) {
    if (secret.text.empty() || now >= secret.until) return false;
    if (offered.size() == secret.text.size() && sametext(offered, secret.text)) {
        secret = {};
        return true;
    }
    if (offered.size() == secret.text.size() && ++secret.wrong >= maxwrong) secret = {};
    return false;
}

}  // namespace

Pairing::Pairing(std::filesystem::path tokenfile) : tokenfile_(std::move(tokenfile)) {
    readfile();
}

void Pairing::readfile() {
    StoredTokens stored;
    try {
        stored = readtokens(tokenfile_);
    } catch (const std::runtime_error& error) {
        filereadable_ = false;
        std::fprintf(stderr,
                     "tunedeck: paired phones are not read, and new ones not saved over the file: "
                     "%s\n",
                     error.what());
        return;
    }
    hashes_ = std::move(stored.hashes);
    if (!stored.plain) return;
    try {
        writetokens(tokenfile_, hashes_);
    } catch (const std::runtime_error& error) {
        // The phones stay paired; the file keeps their tokens in plain text until it can be
        // written.
        std::fprintf(stderr, "tunedeck: the paired phones' tokens are not hashed: %s\n",
                     error.what());
    }
}

std::string Pairing::codetext(int32_t code) {
    char text[16];
    std::snprintf(text, sizeof text, "%06d", static_cast<int>(code % 1000000));
    return text;
}

bool Pairing::authorised(std::string_view token) const {
    if (!istoken(token)) return false;
    const std::string hash = tokenhash(token);
    std::lock_guard lock(mutex_);
    bool found = false;
    for (const std::string& known : hashes_) found |= sametext(hash, known);
    return found;
}

bool Pairing::limited(std::map<std::string, Times>& book, const std::string& address,
                      Clock::time_point now, bool count) {
    for (auto entry = book.begin(); entry != book.end();) {
        Times& times = entry->second;
        while (!times.empty() && now - times.front() >= kWindow) times.pop_front();
        entry = times.empty() ? book.erase(entry) : std::next(entry);
    }
    auto found = book.find(address);
    if (found != book.end() && found->second.size() >= kTriesPerWindow) return true;
    if (!count) return false;
    // A flood of addresses cannot grow the book without bound; the per-code limit still holds.
    if (found == book.end() && book.size() >= kMaxAddresses) book.erase(book.begin());
    book[address].push_back(now);
    return false;
}

bool Pairing::hourfull(Times& times, std::size_t most, Clock::time_point now, bool count) {
    while (!times.empty() && now - times.front() >= kLongWindow) times.pop_front();
    if (times.size() >= most) return true;
    if (count) times.push_back(now);
    return false;
}

std::optional<int32_t> Pairing::requestcode(const std::string& address, Clock::time_point now) {
    const auto code = static_cast<int32_t>(randombelow(1000000));
    std::lock_guard lock(mutex_);
    if (limited(coderequests_, address, now, true)) return std::nullopt;
    const bool othersgood = !code_.text.empty() && now < code_.until && code_.owner != address;
    if (othersgood || hourfull(codesall_, kCodesPerHour, now, true)) return std::nullopt;
    code_ = {codetext(code), now + kCodeLife, 0, address};
    return code;
}

std::string Pairing::onetimetoken(Clock::time_point now) {
    std::string token = randomhex(kOneTimeBytes);
    std::lock_guard lock(mutex_);
    onetime_ = {token, now + kQrLife, 0, {}};
    return token;
}

Pairing::Result Pairing::redeem(std::string_view offered, const std::string& address,
                                Clock::time_point now) {
    std::string token = randomhex(kTokenBytes);
    std::lock_guard lock(mutex_);
    if (limited(wrongtries_, address, now, false)) return {Outcome::Limited, {}};
    const bool byqr = take(offered, onetime_, now, kWrongPerCode);
    if (!byqr && hourfull(wrongall_, kWrongPerHour, now, false)) {
        limited(wrongtries_, address, now, true);
        return {Outcome::Limited, {}};
    }
    const bool bycode = !byqr && take(offered, code_, now, kWrongPerCode);
    if (!byqr && !bycode) {
        limited(wrongtries_, address, now, true);
        hourfull(wrongall_, kWrongPerHour, now, true);
        return wrong(address, now);
    }
    addtoken(token);
    return {Outcome::Paired, token, bycode};
}

Pairing::Result Pairing::wrong(const std::string& address, Clock::time_point now) const {
    const auto tried = wrongtries_.find(address);
    const std::size_t used = tried == wrongtries_.end() ? 0 : tried->second.size();
    const std::size_t minuteleft = kTriesPerWindow - std::min(used, kTriesPerWindow);
    const std::size_t hourleft = kWrongPerHour - std::min(wrongall_.size(), kWrongPerHour);
    const bool live = !code_.text.empty() && now < code_.until;
    return {Outcome::Wrong, {}, false, std::min(minuteleft, hourleft), live};
}

bool Pairing::revoke(std::string_view token) {
    if (!istoken(token)) return false;
    const std::string hash = tokenhash(token);
    std::lock_guard lock(mutex_);
    const auto known = std::find_if(hashes_.begin(), hashes_.end(),
                                    [&](const std::string& h) { return sametext(hash, h); });
    if (known == hashes_.end()) return false;
    hashes_.erase(known);
    savetokens();
    return true;
}

void Pairing::addtoken(const std::string& token) {
    hashes_.push_back(tokenhash(token));
    if (hashes_.size() > kMaxTokens)
        hashes_.erase(hashes_.begin(), hashes_.end() - static_cast<std::ptrdiff_t>(kMaxTokens));
    savetokens();
}

void Pairing::savetokens() {
    if (!filereadable_) {
        std::fprintf(stderr, "tunedeck: the paired phones are not kept: %s could not be read\n",
                     tokenfile_.c_str());
        return;
    }
    try {
        writetokens(tokenfile_, hashes_);
    } catch (const std::runtime_error& error) {
        // The pairings hold until the jukebox ends; the owner learns why not for longer.
        std::fprintf(stderr, "tunedeck: the paired phones are not kept: %s\n", error.what());
    }
}

}  // namespace tunedeck
