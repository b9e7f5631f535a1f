#include "remote/remotestate.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <functional>

namespace tunedeck {

namespace {

// The revision as text: a JSON number loses digits past 2^53 in a browser.
std::string queuerevision(const RemoteState& state) {
    return std::to_string(state.queuenames.revision());
}

}  // namespace

QueueNames::QueueNames(const QueueNames* earlier, std::size_t count, uint64_t revision,
                       const std::function<std::string_view(std::size_t)>& nameat)
    : size_(count), revision_(revision) {
    std::size_t kept = 0;  // names shared with the earlier copy, in whole chunks
    if (earlier != nullptr && earlier->size_ <= count) {
        const std::size_t full = earlier->size_ / kChunk;
        chunks_.assign(earlier->chunks_.begin(),
                       earlier->chunks_.begin() + static_cast<std::ptrdiff_t>(full));
        kept = full * kChunk;
    }
    for (std::size_t first = kept; first < count; first += kChunk) {
        auto chunk = std::make_shared<Chunk>();
        const std::size_t last = std::min(count, first + kChunk);
        chunk->ends.reserve(last - first);
        for (std::size_t i = first; i < last; ++i) {
            chunk->text += nameat(i);
            chunk->ends.push_back(static_cast<uint32_t>(chunk->text.size()));
        }
        chunk->text.shrink_to_fit();
        chunks_.push_back(std::move(chunk));
    }
}

std::string_view QueueNames::operator[](std::size_t i) const {
    const Chunk& chunk = *chunks_[i / kChunk];
    const std::size_t at = i % kChunk;
    const uint32_t begin = at == 0 ? 0 : chunk.ends[at - 1];
    return std::string_view(chunk.text).substr(begin, chunk.ends[at] - begin);
}

std::string statejson(const RemoteState& state) {
    const nlohmann::json json = {
        {"mode", state.mode},
        {"title", state.title},
        {"rows", state.rows},
        {"icons", state.icons},
        {"highlight", state.highlight},
        {"more_above", state.moreabove},
        {"more_below", state.morebelow},
        {"playing", state.playing},
        {"position", state.position},
        {"length", state.length},
        {"state", state.state},
        {"queue", state.queue},
        {"volume", state.volume},
        {"queue_count", state.queuenames.size()},
        {"queue_playing", state.queueplaying},
        {"queue_revision", queuerevision(state)},
        {"can_play", state.canplay},
        {"can_pause", state.canpause},
        {"can_seek", state.canseek},
        {"tags",
         {{"title", state.tagtitle},
          {"artist", state.tagartist},
          {"album", state.tagalbum},
          {"track", state.tracknumber}}},
        {"cover", state.cover ? "/api/cover/" + state.cover->id : ""},
    };
    // File names need not be UTF-8: their invalid bytes are replaced rather than refused.
    return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string queuejson(const RemoteState& state, std::size_t offset, std::size_t limit) {
    const std::size_t total = state.queuenames.size();
    const std::size_t first = std::min(offset, total);
    const std::size_t last = first + std::min(limit, total - first);
    nlohmann::json entries = nlohmann::json::array();
    for (std::size_t i = first; i < last; ++i)
        entries.push_back({{"position", i},
                           {"name", std::string(state.queuenames[i])},
                           {"playing", static_cast<int>(i) == state.queueplaying}});
    const nlohmann::json json = {{"total", total},
                                 {"offset", first},
                                 {"playing", state.queueplaying},
                                 {"revision", queuerevision(state)},
                                 {"entries", entries}};
    return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace tunedeck
