// The library search of the phone page: the matches for what the user types, and opening a
// match on the television. Handlers run on the worker threads; the index is read under its own
// lock, and opening is posted to the UI thread like a key.
#include <nlohmann/json.hpp>

#include <charconv>
#include <optional>
#include <string>

#include "remote/http/httpserver.h"
#include "remote/http/routeutil.h"

namespace tunedeck {
namespace {

constexpr std::size_t kMaxQuery = 256;  // bytes of a query that are read

const char* kindname(IndexKind kind) {
    return kind == IndexKind::Folder ? "folder" : "file";
}

std::optional<uint64_t> parseid(std::string_view text) {
    uint64_t id = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return {};
    return id;
}

nlohmann::json matchjson(const SearchMatch& match) {
    // The id as text: a JSON number loses digits past 2^53 in a browser.
    return {{"id", std::to_string(match.id)},
            {"kind", kindname(match.kind)},
            {"name", match.name},
            {"folder", match.folder}};
}

}  // namespace

void RemoteServer::search(const Request& request, Response& response) const {
    if (!admit(pairing_, request, response)) return;
    std::string query = request.get_param_value("q");
    // A cut inside a character reads as U+FFFD, which begins no word.
    if (query.size() > kMaxQuery) query.resize(kMaxQuery);
    nlohmann::json matches = nlohmann::json::array();
    if (const LibraryCatalog* catalog = catalog_.load())
        for (const SearchMatch& match : catalog->search(query)) matches.push_back(matchjson(match));
    json(response, 200, {{"matches", std::move(matches)}});
}

void RemoteServer::open(const Request& request, Response& response, const std::string& id) const {
    if (!admit(pairing_, request, response)) return;
    const auto number = parseid(id);
    const LibraryCatalog* catalog = catalog_.load();
    if (!number || catalog == nullptr || !catalog->locate(*number))
        return error(response, 404, "no such match; search again");
    if (!events_.postopen(*number)) return error(response, 503, "the jukebox is busy");
    response.status = 204;
}

void RemoteServer::addsearchroutes() {
    server_.Get("/api/search", [this](const Request& q, Response& r) { search(q, r); });
    bodiless_.add(
        server_, "POST", "/api/open/([^/]+)",
        [this](const Request& q, Response& r, const std::smatch& m) { open(q, r, m[1]); });
}

}  // namespace tunedeck
