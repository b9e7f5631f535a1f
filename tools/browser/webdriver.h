// A headless Chromium driven through chromedriver's WebDriver protocol on loopback, for the
// remote page's end-to-end test and benchmark. One browser per object; not thread-safe.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

namespace tunedeck::browser {

namespace fs = std::filesystem;

// A loopback port no one listens on now (another program may still take it before its user).
int freeport();

class Browser {
  public:
    // Starts chromedriver and a headless Chromium showing pages as a phone of `width` x
    // `height` CSS pixels (at twice the pixels) does; `folder` holds its profile and logs.
    Browser(int width, int height, const fs::path& folder);
    ~Browser();
    Browser(const Browser&) = delete;
    Browser& operator=(const Browser&) = delete;

    void open(const std::string& url);
    // Runs `body` as a function in the page (its arguments in `arguments`) and returns its
    // result; an asynchronous one calls arguments[arguments.length - 1] with the result.
    nlohmann::json script(const std::string& body, nlohmann::json args = nlohmann::json::array());
    nlohmann::json asyncscript(const std::string& body,
                               nlohmann::json args = nlohmann::json::array());
    // Polls the expression in the page until it is true (false when the time ran out).
    bool waitfor(const std::string& expression, std::chrono::milliseconds timeout);
    // Clicks the first element matching the CSS selector, as a tap would.
    void click(const std::string& selector);
    // Types text into an input, replacing what it held.
    void type(const std::string& selector, const std::string& text);
    // The page as a PNG file.
    void screenshot(const fs::path& png);

  private:
    nlohmann::json call(const std::string& method, const std::string& path,
                        const nlohmann::json& body = nullptr);

    pid_t driver_ = -1;
    int port_ = 0;
    std::string session_;
};

}  // namespace tunedeck::browser
