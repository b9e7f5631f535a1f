// The server's routes: the page, the state and its event stream, the keys, the volume, and
// pairing.
// Handlers run on the worker threads.
#include <nlohmann/json.hpp>

#include <chrono>
#include <regex>
#include <string>

#include "remote/http/httpserver.h"
#include "remote/http/remotepage.h"
#include "remote/keynames.h"

namespace tunedeck {

std::string bearer(const httplib::Request& request) {
    const std::string header = request.get_header_value("Authorization");
    constexpr std::string_view kScheme = "Bearer ";
    if (header.size() > kScheme.size() && header.compare(0, kScheme.size(), kScheme) == 0)
        return header.substr(kScheme.size());
    return request.get_param_value("token");
}

namespace {

using Request = httplib::Request;
using Response = httplib::Response;

// How long an event stream stays silent before it sends a comment line, so that a client that
// went away is noticed.
constexpr std::chrono::milliseconds kHeartbeat{15000};
constexpr std::size_t kMaxBody = 4 * 1024;

// The page may run its own inline script and style, talk to this server, and nothing else.
constexpr const char* kPagePolicy =
    "default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; "
    "connect-src 'self'; img-src data:; base-uri 'none'; form-action 'none'; "
    "frame-ancestors 'none'";

void json(Response& response, int status, const nlohmann::json& body) {
    response.status = status;
    response.set_content(body.dump(), "application/json");
}

void error(Response& response, int status, const char* message) {
    json(response, status, {{"error", message}});
}

// The library answers with brotli when a browser accepts it, at its slowest setting: some
// 0.4 s of CPU for the page. gzip costs a millisecond. The request is the library's own
// non-const object, handed to this hook as const only by its signature.
void limitencoding(Request& request) {
    const bool gzip = request.get_header_value("Accept-Encoding").find("gzip") != std::string::npos;
    request.headers.erase("Accept-Encoding");
    if (gzip) request.headers.emplace("Accept-Encoding", "gzip");
}

struct Routes {
    StateHub& hub;
    Pairing& pairing;
    const UiEvents& events;

    // True when the request carries a paired token; else answers 401.
    bool admit(const Request& request, Response& response) const {
        if (pairing.authorised(bearer(request))) return true;
        response.set_header("WWW-Authenticate", "Bearer");
        error(response, 401, "not paired");
        return false;
    }

    void page(const Request&, Response& response) const {
        response.set_header("Content-Security-Policy", kPagePolicy);
        response.set_content(kRemotePage.data(), kRemotePage.size(), "text/html; charset=utf-8");
    }

    void state(const Request& request, Response& response) const {
        if (!admit(request, response)) return;
        response.set_content(statejson(hub.latest().state), "application/json");
    }

    void eventstream(const Request& request, Response& response) const {
        if (!admit(request, response)) return;
        const uint64_t stream = hub.openstream();
        StateHub* h = &hub;
        response.set_chunked_content_provider(
            "text/event-stream",
            [h, stream, seen = uint64_t{0}](std::size_t, httplib::DataSink& sink) mutable {
                switch (h->waitnewer(stream, seen, kHeartbeat)) {
                    case StateHub::Wake::Ended:
                        return false;
                    case StateHub::Wake::Timeout:
                        return sink.write(": still here\n\n", 14);
                    case StateHub::Wake::Newer:
                        break;
                }
                const StateHub::Versioned latest = h->latest();
                seen = latest.version;
                const std::string text = "event: state\ndata: " + statejson(latest.state) + "\n\n";
                return sink.write(text.data(), text.size());
            },
            [h, stream](bool) { h->endstream(stream); });
    }

    void key(const Request& request, Response& response, const std::string& name) const {
        if (!admit(request, response)) return;
        const auto code = keycodefor(name);
        if (!code) {
            error(response, 404, "no such key");
            return;
        }
        if (!events.postkey(*code)) {
            error(response, 503, "the jukebox is busy");
            return;
        }
        response.status = 204;
    }

    // {"volume": n}, n a whole number 0..100.
    void volume(const Request& request, Response& response) const {
        if (!admit(request, response)) return;
        const auto body = nlohmann::json::parse(request.body, nullptr, false);
        const auto* field = body.is_object() && body.contains("volume") ? &body["volume"] : nullptr;
        if (field == nullptr || !field->is_number_integer() || field->get<int64_t>() < 0 ||
            field->get<int64_t>() > 100)
            return error(response, 400, "expected {\"volume\": 0..100}");
        if (!events.postvolume(field->get<int32_t>()))
            return error(response, 503, "the jukebox is busy");
        response.status = 204;
    }

    void pair(const Request& request, Response& response) const {
        if (request.body.size() > kMaxBody) return error(response, 413, "body too large");
        const auto now = Pairing::Clock::now();
        if (request.body.find_first_not_of(" \t\r\n") == std::string::npos) {
            const auto code = pairing.requestcode(request.remote_addr, now);
            if (!code) return error(response, 429, "too many requests");
            if (!events.postpairingcode(*code)) return error(response, 503, "the jukebox is busy");
            return json(response, 202, {{"shown", true}});
        }
        const auto body = nlohmann::json::parse(request.body, nullptr, false);
        if (!body.is_object() || !body.contains("code") || !body["code"].is_string())
            return error(response, 400, "expected {\"code\":\"NNNNNN\"}");
        const auto result =
            pairing.redeem(body["code"].get<std::string>(), request.remote_addr, now);
        switch (result.outcome) {
            case Pairing::Outcome::Paired:
                return json(response, 200, {{"token", result.token}});
            case Pairing::Outcome::Wrong:
                return error(response, 401, "wrong code");
            case Pairing::Outcome::Limited:
                return error(response, 429, "too many tries; wait a minute");
        }
    }
};

}  // namespace

void RemoteServer::addroutes() {
    const Routes routes{hub_, pairing_, events_};
    server_.set_payload_max_length(kMaxBody);
    server_.set_default_headers({{"X-Content-Type-Options", "nosniff"},
                                 {"Cache-Control", "no-store"},
                                 {"Referrer-Policy", "no-referrer"}});
    server_.Get("/", [routes](const Request& q, Response& r) { routes.page(q, r); });
    server_.Get("/api/state", [routes](const Request& q, Response& r) { routes.state(q, r); });
    server_.Get("/api/events",
                [routes](const Request& q, Response& r) { routes.eventstream(q, r); });
    server_.Post("/api/key/([a-z]+)",
                 [routes](const Request& q, Response& r) { routes.key(q, r, q.matches[1]); });
    server_.Post("/api/pair", [routes](const Request& q, Response& r) { routes.pair(q, r); });
    server_.Post("/api/volume", [routes](const Request& q, Response& r) { routes.volume(q, r); });
    // The library would read a POST without a length until the client closes; such a request
    // has an empty body, so it is answered here, before any body is read.
    addsearchroutes();
    server_.set_pre_routing_handler([routes, this](const Request& q, Response& r) {
        limitencoding(const_cast<Request&>(q));
        if (q.method != "POST" || q.has_header("Content-Length") ||
            q.has_header("Transfer-Encoding"))
            return httplib::Server::HandlerResponse::Unhandled;
        static const std::regex kKey("/api/key/([a-z]+)");
        std::smatch name;
        if (q.path == "/api/pair")
            routes.pair(q, r);
        else if (q.path == "/api/volume")
            routes.volume(q, r);
        else if (std::regex_match(q.path, name, kKey))
            routes.key(q, r, name[1]);
        else if (!searchbodyless(q, r))
            r.status = 404;
        return httplib::Server::HandlerResponse::Handled;
    });
}

}  // namespace tunedeck
