#include "remote/remotestate.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <functional>

namespace tunedeck {

namespace {

// A mark that changes whenever the queue's entries do, so that a page that shows the queue
// knows when to read it again without receiving it with every state.
std::string queuerevision(const RemoteState& state) {
    std::size_t mark = state.queuenames.size();
    for (const std::string& name : state.queuenames)
        mark = mark * 1000003u ^ std::hash<std::string>{}(name);
    return std::to_string(mark);
}

}  // namespace

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
                           {"name", state.queuenames[i]},
                           {"playing", static_cast<int>(i) == state.queueplaying}});
    const nlohmann::json json = {{"total", total},
                                 {"offset", first},
                                 {"playing", state.queueplaying},
                                 {"revision", queuerevision(state)},
                                 {"entries", entries}};
    return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace tunedeck
