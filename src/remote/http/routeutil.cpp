#include "remote/http/routeutil.h"

#include <charconv>
#include <string_view>

namespace tunedeck {

std::string bearer(const Request& request) {
    const std::string header = request.get_header_value("Authorization");
    constexpr std::string_view kScheme = "Bearer ";
    if (header.size() > kScheme.size() && header.compare(0, kScheme.size(), kScheme) == 0)
        return header.substr(kScheme.size());
    return request.get_param_value("token");
}

void json(Response& response, int status, const nlohmann::json& body) {
    response.status = status;
    response.set_content(body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace),
                         "application/json");
}

void error(Response& response, int status, const char* message) {
    json(response, status, {{"error", message}});
}

bool admit(const Pairing& pairing, const Request& request, Response& response) {
    if (pairing.authorised(bearer(request))) return true;
    response.set_header("WWW-Authenticate", "Bearer");
    error(response, 401, "not paired");
    return false;
}

int pathnumber(const std::string& text, int low, int high) {
    int number = 0;
    const char* end = text.data() + text.size();
    const auto [stop, failed] = std::from_chars(text.data(), end, number);
    if (text.empty() || failed != std::errc{} || stop != end || number < low || number > high)
        return -1;
    return number;
}

void BodilessRoutes::add(httplib::Server& server, const std::string& method,
                         const std::string& pattern, Handler handler) {
    routes_.push_back({method, std::regex(pattern), handler});
    const auto call = [handler](const Request& q, Response& r) { handler(q, r, q.matches); };
    if (method == "POST")
        server.Post(pattern, call);
    else
        server.Delete(pattern, call);
}

bool BodilessRoutes::answer(const Request& request, Response& response) const {
    if (request.method != "POST" && request.method != "DELETE") return false;
    if (request.has_header("Content-Length") || request.has_header("Transfer-Encoding"))
        return false;
    std::smatch groups;
    for (const Route& route : routes_) {
        if (route.method == request.method &&
            std::regex_match(request.path, groups, route.pattern)) {
            route.handler(request, response, groups);
            return true;
        }
    }
    response.status = 404;
    return true;
}

}  // namespace tunedeck
