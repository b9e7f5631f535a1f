// The phone remote's cost and speed, on the real program under private X servers:
// - CPU over 30 s of playback with the remote and the media controls on but no client, against
//   the same program with them off, both playing at the same time (goal: ratio at most 1.05);
// - the page's load to first contentful paint in headless Chromium on loopback (goal: 100 ms),
//   beside a one-line page in the same browser;
// - a key pressed on the television to the page's "now playing" changing (goal: 200 ms).
#include <algorithm>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app_bench.h"
#include "engine_bench.h"
#include "tools/browser/webdriver.h"

namespace {

namespace fs = std::filesystem;
namespace fx = tunedeck::fixtures;
namespace bn = tunedeck::bench;
namespace br = tunedeck::browser;

constexpr auto kWarmup = std::chrono::seconds(3);
constexpr auto kMeasured = std::chrono::seconds(30);
constexpr int kLoads = 7;
constexpr int kKeys = 10;
// A phone paired before the run: its token is in remote.tokens in the jukebox's state folder.
const std::string kToken(64, 'c');

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

// CPU seconds of every thread of the process, to the nanosecond (the scheduler's own account;
// /proc's tick counts are too coarse for a process that uses half a per cent).
double cpuseconds(pid_t pid) {
    double total = 0;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task")) {
        std::ifstream in(task.path() / "schedstat");
        double ns = 0;
        if (in >> ns) total += ns / 1e9;
    }
    return total;
}

int64_t nowms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

double loadaverage() {
    std::ifstream in("/proc/loadavg");
    double load = -1;
    in >> load;
    return load;
}

void runtoend(bn::Process& process) {
    while (process.running()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

// Load to first contentful paint, as the browser's own paint timing reports it.
std::vector<double> pageloads(br::Browser& page, const std::string& address) {
    std::vector<double> paints;
    for (int i = 0; i < kLoads; ++i) {
        page.open(address);
        if (!page.waitfor("performance.getEntriesByName('first-contentful-paint').length > 0",
                          std::chrono::seconds(10)))
            continue;
        paints.push_back(
            page.script(
                    "return performance.getEntriesByName('first-contentful-paint')[0].startTime;")
                .get<double>());
    }
    return paints;
}

// From xdotool's key on the television to the page showing another "now playing".
std::vector<double> keylatencies(br::Browser& page, const std::string& display) {
    page.script(
        "window.changedAt = 0; new MutationObserver(() => { window.changedAt = Date.now(); })"
        ".observe(document.getElementById('playing'), {childList: true, characterData: true, "
        "subtree: true});");
    std::vector<double> latencies;
    for (int i = 0; i < kKeys; ++i) {
        const int64_t sent = nowms();
        bn::Process key({"xdotool", "key", "n"}, {{"DISPLAY", display}});
        runtoend(key);
        if (page.waitfor("window.changedAt >= " + std::to_string(sent), std::chrono::seconds(5)))
            latencies.push_back(
                static_cast<double>(page.script("return window.changedAt;").get<int64_t>() - sent));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    return latencies;
}

}  // namespace

int main() {
    try {
        fx::TempDir tmp;
        fs::create_directories(tmp / "music");
        for (int i = 1; i <= 3; ++i)
            fx::writetone(tmp / "music" / ("0" + std::to_string(i) + ".mp3"), fx::AudioFormat::Mp3,
                          {330.0 + 110.0 * i, 75.0});
        const fs::path off = bn::installjukebox(tmp / "off", tmp / "music");
        const fs::path on = bn::installjukebox(tmp / "on", tmp / "music");
        const int port = br::freeport();
        std::ofstream(tmp / "on" / "settings.ini")
            << "[system]\npath=" << (tmp / "music").string()
            << "\nsavertime=3000\n[cd]\ndevice=none\n[remote]\nlisten=127.0.0.1\nport=" << port
            << "\n";
        fs::create_directories(tmp / "state" / "tunedeck");
        std::ofstream(tmp / "state" / "tunedeck" / "remote.tokens") << kToken << "\n";

        bn::Xvfb xon(1024, 768);
        bn::Xvfb xoff(1024, 768);
        bn::Env onenv = bn::diskaudio("/dev/null", xon.display());
        onenv["XDG_STATE_HOME"] = (tmp / "state").string();
        bn::Process withremote({on.string()}, onenv);
        bn::Process without({off.string()}, bn::diskaudio("/dev/null", xoff.display()));
        std::this_thread::sleep_for(kWarmup);
        const double onbefore = cpuseconds(withremote.pid());
        const double offbefore = cpuseconds(without.pid());
        std::this_thread::sleep_for(kMeasured);
        const double seconds = std::chrono::duration<double>(kMeasured).count();
        const double onpercent = (cpuseconds(withremote.pid()) - onbefore) / seconds * 100;
        const double offpercent = (cpuseconds(without.pid()) - offbefore) / seconds * 100;
        without.stop();

        const std::string address = "http://127.0.0.1:" + std::to_string(port) + "/";
        br::Browser page(360, 740, tmp / "browser");
        page.open(address);
        page.script("localStorage.setItem('tunedeck-token', arguments[0]);", {kToken});
        const double paint = median(pageloads(page, address));
        // The same browser painting a one-line page: what any page costs on this machine now.
        const double baseline = median(pageloads(page, "data:text/html,<p>Tunedeck</p>"));
        page.open(address);
        if (!page.waitfor("document.getElementById('playing').textContent.trim().length > 0",
                          std::chrono::seconds(10)))
            throw std::runtime_error("the paired page shows nothing playing");
        const double latency = median(keylatencies(page, xon.display()));

        bn::figure("CPU while playing, remote on, no client", onpercent, "%", "remote off",
                   offpercent);
        bn::figure("page load to first paint (median)", paint, "ms", "one-line page", baseline);
        bn::figure("TV key to page update (median)", latency, "ms", "goal", 200.0);
        std::printf("(load average over the last minute: %.1f on %ld cores)\n", loadaverage(),
                    sysconf(_SC_NPROCESSORS_ONLN));
        bn::goal("CPU with the remote on at most 1.05 x off",
                 offpercent > 0 && onpercent <= 1.05 * offpercent);
        bn::goal("page first paint under 100 ms", paint >= 0 && paint < 100.0);
        bn::goal("page follows the television within 200 ms", latency >= 0 && latency < 200.0);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_remote: %s\n", error.what());
        return 1;
    }
}
