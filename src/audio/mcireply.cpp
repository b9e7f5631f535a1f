#include "audio/mcireply.h"

#include <algorithm>
#include <charconv>

namespace tunedeck {
namespace {

std::string_view trimblanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

template <typename T>
std::optional<T> parsewhole(std::string_view text) {
    text = trimblanks(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<int> replynumber(std::string_view reply, std::size_t width) {
    return parsewhole<int>(replyprefix(reply, width));
}

std::optional<int32_t> replyint32(std::string_view reply) {
    return parsewhole<int32_t>(reply.substr(0, reply.find('\0')));
}

std::string replyprefix(std::string_view reply, std::size_t width) {
    reply = reply.substr(0, reply.find('\0'));
    return std::string(reply.substr(0, width));
}

std::optional<CdPosition> parsecdposition(std::string_view reply) {
    auto field = [&](std::size_t at) {
        return replynumber(reply.substr(std::min(at, reply.size())), 2);
    };
    const auto track = field(0);
    const auto minutes = field(3);
    const auto seconds = field(6);
    if (!track || !minutes || !seconds) return std::nullopt;
    return CdPosition{*track, *minutes, *seconds};
}

std::optional<int> parsecdlength(std::string_view reply) {
    const auto minutes = replynumber(reply, 2);
    const auto seconds = replynumber(reply.substr(std::min<std::size_t>(3, reply.size())), 2);
    if (!minutes || !seconds) return std::nullopt;
    return *minutes * 60 + *seconds;
}

}  // namespace tunedeck
