#include "remote/remotestate.h"

#include <nlohmann/json.hpp>

namespace tunedeck {

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
    };
    // File names need not be UTF-8: their invalid bytes are replaced rather than refused.
    return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace tunedeck
