// The library search of the phone page: the matches for what the user types, and opening a
// match on the television. Handlers run on the worker threads; the index is read under its own
// lock, and opening is posted to the UI thread like a key.
#include <nlohmann/json.hpp>

#include <charconv>
#include <optional>
#include <string>

#include "remote/http/httpserver.h"

namespace tunedeck {
namespace {

using Request = httplib::Request;
using Response = httplib::Response;

constexpr std::size_t kMaxQuery = 256;  // bytes of a query that are read
constexpr std::string_view kOpenPath = "/api/open/";

const char* kindname(IndexKind kind) {
    return kind == IndexKind::Folder ? "folder" : "file";
}

void sendjson(Response& response, int status, const nlohmann::json& body) {
    response.status = status;
    response.set_content(body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace),
                         "application/json");
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

bool RemoteServer::admitted(const Request& request, Response& response) const {
    if (pairing_.authorised(bearer(request))) return true;
    response.set_header("WWW-Authenticate", "Bearer");
    sendjson(response, 401, {{"error", "not paired"}});
    return false;
}

void RemoteServer::search(const Request& request, Response& response) const {
    if (!admitted(request, response)) return;
    std::string query = request.get_param_value("q");
    // A cut inside a character reads as U+FFFD, which begins no word.
    if (query.size() > kMaxQuery) query.resize(kMaxQuery);
    nlohmann::json matches = nlohmann::json::array();
    if (const LibraryCatalog* catalog = catalog_.load())
        for (const SearchMatch& match : catalog->search(query)) matches.push_back(matchjson(match));
    sendjson(response, 200, {{"matches", std::move(matches)}});
}

void RemoteServer::open(const Request& request, Response& response, const std::string& id) const {
    if (!admitted(request, response)) return;
    const auto number = parseid(id);
    const LibraryCatalog* catalog = catalog_.load();
    if (!number || catalog == nullptr || !catalog->locate(*number))
        return sendjson(response, 404, {{"error", "no such match; search again"}});
    if (!events_.postopen(*number))
        return sendjson(response, 503, {{"error", "the jukebox is busy"}});
    response.status = 204;
}

bool RemoteServer::searchbodyless(const Request& request, Response& response) const {
    if (!request.path.starts_with(kOpenPath)) return false;
    open(request, response, request.path.substr(kOpenPath.size()));
    return true;
}

void RemoteServer::addsearchroutes() {
    server_.Get("/api/search", [this](const Request& q, Response& r) { search(q, r); });
    server_.Post("/api/open/([^/]+)",
                 [this](const Request& q, Response& r) { open(q, r, q.matches[1]); });
}

}  // namespace tunedeck
