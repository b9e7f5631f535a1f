// What every route of the remote's API shares: the token a request carries, JSON replies, and
// the routes that also answer a request without a body and without a length.
// Worker threads; the table is filled before the server starts and only read afterwards.
#pragma once

#include <httplib.h>

#include <functional>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

#include "remote/pairing.h"

namespace tunedeck {

using Request = httplib::Request;
using Response = httplib::Response;

// The token of "Authorization: Bearer", else of the "token" parameter (event streams and
// pictures cannot send a header).
std::string bearer(const Request& request);

void json(Response& response, int status, const nlohmann::json& body);
void error(Response& response, int status, const char* message);

// True when the request carries a paired token; else answers 401.
bool admit(const Pairing& pairing, const Request& request, Response& response);

// The number a path part holds when it is a plain decimal number in [low, high]; else -1.
int pathnumber(const std::string& text, int low, int high);

// Routes whose requests carry no body: the library would wait for a body that a request
// without a length never sends, so such a request is answered before any body is read.
class BodilessRoutes {
  public:
    using Handler = std::function<void(const Request&, Response&, const std::smatch&)>;

    // Registers `handler` for `method` ("POST" or "DELETE") and `pattern` on the server, and
    // for the same requests without a length.
    void add(httplib::Server& server, const std::string& method, const std::string& pattern,
             Handler handler);
    // Answers a POST or DELETE without a length (404 when no route takes it); false for every
    // other request.
    bool answer(const Request& request, Response& response) const;

  private:
    struct Route {
        std::string method;
        std::regex pattern;
        Handler handler;
    };
    std::vector<Route> routes_;
};

}  // namespace tunedeck
