// The web app's manifest and icons, so that the page installs to a phone's home screen and
// opens full screen. Both are made by the program; nothing is read from disk.
// Handlers run on the worker threads; each icon is drawn once, when it is first asked for
// (drawing the large one takes tens of milliseconds, which start-up need not spend).
#include <nlohmann/json.hpp>

#include <memory>
#include <mutex>

#include "remote/http/appicon.h"
#include "remote/http/httpserver.h"
#include "remote/http/routeutil.h"

namespace tunedeck {
namespace {

constexpr int kIconSides[] = {192, 512};

std::string manifest() {
    nlohmann::json icons = nlohmann::json::array();
    for (const int side : kIconSides) {
        const std::string size = std::to_string(side) + "x" + std::to_string(side);
        icons.push_back({{"src", "/icon-" + std::to_string(side) + ".png"},
                         {"sizes", size},
                         {"type", "image/png"},
                         {"purpose", "any"}});
    }
    const nlohmann::json json = {{"name", "Tunedeck remote"},
                                 {"short_name", "Tunedeck"},
                                 {"start_url", "/"},
                                 {"scope", "/"},
                                 {"display", "fullscreen"},
                                 {"orientation", "any"},
                                 {"background_color", "#07128f"},
                                 {"theme_color", "#07128f"},
                                 {"icons", icons}};
    return json.dump();
}

// Cacheable for a day: they change only with the program.
void cacheable(Response& response) {
    response.headers.erase("Cache-Control");  // instead of the server's "no-store"
    response.set_header("Cache-Control", "public, max-age=86400");
}

}  // namespace

void RemoteServer::addassetroutes() {
    auto text = std::make_shared<const std::string>(manifest());
    server_.Get("/manifest.json", [text](const Request&, Response& r) {
        cacheable(r);
        r.set_content(*text, "application/manifest+json");
    });
    struct Icon {
        std::once_flag drawn;
        std::string png;
    };
    for (const int side : kIconSides) {
        auto icon = std::make_shared<Icon>();
        server_.Get(
            "/icon-" + std::to_string(side) + ".png", [icon, side](const Request&, Response& r) {
                std::call_once(icon->drawn,
                               [&] { icon->png = encodepng(drawappicon(side), side, side); });
                cacheable(r);
                r.set_content(icon->png, "image/png");
            });
    }
}

}  // namespace tunedeck
