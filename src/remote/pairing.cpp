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

Pairing::Pairing(std::filesystem::path tokenfile)
    : tokenfile_(std::move(tokenfile)), tokens_(readtokens(tokenfile_)) {}

std::string Pairing::codetext(int32_t code) {
    char text[16];
    std::snprintf(text, sizeof text, "%06d", static_cast<int>(code % 1000000));
    return text;
}

bool Pairing::authorised(std::string_view token) const {
    std::lock_guard lock(mutex_);
    bool found = false;
    for (const std::string& known : tokens_) found |= sametext(token, known);
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

std::optional<int32_t> Pairing::requestcode(const std::string& address, Clock::time_point now) {
    const auto code = static_cast<int32_t>(randombelow(1000000));
    std::lock_guard lock(mutex_);
    if (limited(coderequests_, address, now, true)) return std::nullopt;
    code_ = {codetext(code), now + kCodeLife, 0};
    return code;
}

std::string Pairing::onetimetoken(Clock::time_point now) {
    std::string token = randomhex(kOneTimeBytes);
    std::lock_guard lock(mutex_);
    onetime_ = {token, now + kQrLife, 0};
    return token;
}

Pairing::Result Pairing::redeem(std::string_view offered, const std::string& address,
                                Clock::time_point now) {
    std::string token = randomhex(kTokenBytes);
    std::lock_guard lock(mutex_);
    if (limited(wrongtries_, address, now, false)) return {Outcome::Limited, {}};
    const bool bycode = take(offered, code_, now, kWrongPerCode);
    if (!bycode && !take(offered, onetime_, now, kWrongPerCode)) {
        limited(wrongtries_, address, now, true);
        const auto tried = wrongtries_.find(address);
        const std::size_t used = tried == wrongtries_.end() ? 0 : tried->second.size();
        const bool live = !code_.text.empty() && now < code_.until;
        return {Outcome::Wrong, {}, false, kTriesPerWindow - std::min(used, kTriesPerWindow), live};
    }
    addtoken(token);
    return {Outcome::Paired, token, bycode};
}

bool Pairing::revoke(std::string_view token) {
    std::lock_guard lock(mutex_);
    const auto known = std::find_if(tokens_.begin(), tokens_.end(),
                                    [&](const std::string& t) { return sametext(token, t); });
    if (token.empty() || known == tokens_.end()) return false;
    tokens_.erase(known);
    savetokens();
    return true;
}

void Pairing::addtoken(const std::string& token) {
    tokens_.push_back(token);
    if (tokens_.size() > kMaxTokens)
        tokens_.erase(tokens_.begin(), tokens_.end() - static_cast<std::ptrdiff_t>(kMaxTokens));
    savetokens();
}

void Pairing::savetokens() {
    try {
        writetokens(tokenfile_, tokens_);
    } catch (const std::runtime_error& error) {
        // The pairings hold until the jukebox ends; the owner learns why not for longer.
        std::fprintf(stderr, "tunedeck: the paired phones are not kept: %s\n", error.what());
    }
}

}  // namespace tunedeck
