// The routes that say more than a key can: a row of the list, the queue's entries, a place in
// the file, the cover of what plays, and forgetting this phone. Each request becomes one request
// posted to the UI thread; the state the UI thread published answers what can be answered here
// (which rows and entries exist). Handlers run on the worker threads.
#include <algorithm>
#include <cmath>

#include "remote/http/httpserver.h"
#include "remote/http/routeutil.h"

namespace tunedeck {
namespace {

constexpr std::size_t kQueuePage = 100;     // entries of a queue page unless asked otherwise
constexpr std::size_t kMaxQueuePage = 500;  // entries of a queue page at most
constexpr double kMaxSeekMs = 2.0e9;        // what one request may ask for, within an int32

struct ControlRoutes {
    StateHub& hub;
    Pairing& pairing;
    const UiEvents& events;

    bool admit(const Request& request, Response& response) const {
        return tunedeck::admit(pairing, request, response);
    }

    // 204 when the request went to the UI thread, 503 when its queue is full.
    static void posted(Response& response, bool sent) {
        if (sent)
            response.status = 204;
        else
            error(response, 503, "the jukebox is busy");
    }

    // The 0-based queue row a path part names, or -1 (and 404) when the queue has none such.
    int queuerow(const std::string& text, Response& response) const {
        const int count = static_cast<int>(hub.latest().state.queuenames.size());
        const int row = pathnumber(text, 0, count - 1);
        if (row < 0) error(response, 404, "no such queue entry");
        return row;
    }

    void highlight(const Request& request, Response& response, const std::string& text) const {
        if (!admit(request, response)) return;
        const RemoteState shown = hub.latest().state;
        const int row = pathnumber(text, 1, static_cast<int>(shown.rows.size()));
        if (row < 0 || shown.rows[static_cast<std::size_t>(row - 1)].empty())
            return error(response, 404, "no such row");
        posted(response, events.posthighlight(row));
    }

    void queue(const Request& request, Response& response) const {
        if (!admit(request, response)) return;
        const auto number = [&](const char* name, std::size_t fallback) {
            if (!request.has_param(name)) return static_cast<int>(fallback);
            return pathnumber(request.get_param_value(name), 0, 1 << 30);
        };
        const int offset = number("offset", 0);
        const int limit = number("limit", kQueuePage);
        if (offset < 0 || limit < 0) return error(response, 400, "offset and limit: 0 or more");
        const std::size_t page =
            std::min<std::size_t>(static_cast<std::size_t>(limit), kMaxQueuePage);
        response.set_content(queuejson(hub.latest().state, static_cast<std::size_t>(offset), page),
                             "application/json");
    }

    void move(const Request& request, Response& response) const {
        if (!admit(request, response)) return;
        const auto body = nlohmann::json::parse(request.body, nullptr, false);
        const auto index = [&](const char* name) {
            return body.is_object() && body.contains(name) && body[name].is_number_integer()
                       ? body[name].get<int64_t>()
                       : int64_t{-1};
        };
        const int64_t from = index("from");
        const int64_t to = index("to");
        const auto count = static_cast<int64_t>(hub.latest().state.queuenames.size());
        if (from < 0 || to < 0) return error(response, 400, "expected {\"from\":i,\"to\":j}");
        if (from >= count || to >= count) return error(response, 404, "no such queue entry");
        posted(response,
               events.postqueuemove(static_cast<int32_t>(from), static_cast<int32_t>(to)));
    }

    void remove(const Request& request, Response& response, const std::string& text) const {
        if (!admit(request, response)) return;
        const int row = queuerow(text, response);
        if (row >= 0) posted(response, events.postqueueremove(row));
    }

    void play(const Request& request, Response& response, const std::string& text) const {
        if (!admit(request, response)) return;
        const int row = queuerow(text, response);
        if (row >= 0) posted(response, events.postqueueplay(row));
    }

    // Moves what plays: {"position": seconds into the file} or {"offset": seconds from here}.
    void seek(const Request& request, Response& response) const {
        if (!admit(request, response)) return;
        const auto body = nlohmann::json::parse(request.body, nullptr, false);
        const bool absolute = body.is_object() && body.contains("position");
        const char* key = absolute ? "position" : "offset";
        if (!body.is_object() || !body.contains(key) || !body[key].is_number())
            return error(response, 400, "expected {\"position\":seconds} or {\"offset\":seconds}");
        const double seconds = body[key].get<double>();
        if (!std::isfinite(seconds) || (absolute && seconds < 0))
            return error(response, 400, "no such place");
        const RemoteState now = hub.latest().state;
        if (!now.canseek && !(now.mode == "cd" && !absolute && now.state != "stopped"))
            return error(response, 409, "nothing to move in");
        const double ms = std::clamp(seconds * 1000.0, -kMaxSeekMs, kMaxSeekMs);
        posted(response, events.postseek(static_cast<int32_t>(std::lround(ms)), absolute));
    }

    // The cover of what plays, from memory; its address names its bytes, so the browser may
    // keep it as long as it likes. An address of another picture gets 404.
    void cover(const Request& request, Response& response, const std::string& id) const {
        if (!admit(request, response)) return;
        const std::shared_ptr<const CoverPicture> picture = hub.latest().state.cover;
        if (!picture || picture->id != id) return error(response, 404, "no such cover");
        response.headers.erase("Cache-Control");
        response.set_header("Cache-Control", "private, max-age=31536000, immutable");
        response.set_content(picture->bytes, picture->type);
    }

    // The phone forgets its token: it stops working here too.
    void forget(const Request& request, Response& response) const {
        if (!admit(request, response)) return;
        pairing.revoke(bearer(request));
        response.status = 204;
    }
};

}  // namespace

void RemoteServer::addcontrolroutes() {
    const ControlRoutes routes{hub_, pairing_, events_};
    bodiless_.add(server_, "POST", "/api/highlight/([0-9]+)",
                  [routes](const Request& q, Response& r, const std::smatch& m) {
                      routes.highlight(q, r, m[1]);
                  });
    server_.Post("/api/seek", [routes](const Request& q, Response& r) { routes.seek(q, r); });
    server_.Get("/api/queue", [routes](const Request& q, Response& r) { routes.queue(q, r); });
    server_.Get("/api/cover/([0-9a-f]{16})",
                [routes](const Request& q, Response& r) { routes.cover(q, r, q.matches[1]); });
    server_.Post("/api/queue/move", [routes](const Request& q, Response& r) { routes.move(q, r); });
    bodiless_.add(server_, "DELETE", "/api/queue/([0-9]+)",
                  [routes](const Request& q, Response& r, const std::smatch& m) {
                      routes.remove(q, r, m[1]);
                  });
    bodiless_.add(
        server_, "POST", "/api/queue/([0-9]+)/play",
        [routes](const Request& q, Response& r, const std::smatch& m) { routes.play(q, r, m[1]); });
    bodiless_.add(
        server_, "DELETE", "/api/token",
        [routes](const Request& q, Response& r, const std::smatch&) { routes.forget(q, r); });
}

}  // namespace tunedeck
