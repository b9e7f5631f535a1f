// The phone remote's page as a user meets it, in a real headless Chromium against the real
// program under Xvfb: a wrong code and the right one, a tapped row playing on the television,
// the queue reordered from its panel, the cover and tags of what plays, the dialog of Leave,
// the jukebox going away and coming back, and Forget. Screenshots of the page at phone and
// tablet size are left in the test's folder.
#include <gtest/gtest.h>

#include <httplib.h>
#include <chrono>
#include <cstdlib>

#include "e2e/harness.h"
#include "tools/browser/webdriver.h"
#include "tvcode.h"

namespace tunedeck::e2e {
namespace {

using namespace std::chrono_literals;

// True when row `row` (1-based) of the list carries the highlight (1024x768).
bool highlighted(const Screenshot& shot, int row) {
    const int y = (1320 + row * 495 + 240) / 15;
    return near(shot.at(20, y), 0, 0, 0, 8);
}

struct PhoneRemote : ::testing::Test {
    void SetUp() override {
        const double hz[] = {440.0, 550.0, 660.0};
        fs::create_directories(dir / "music");
        for (int i = 0; i < 3; ++i) {
            fixtures::Tone tone{.frequency = hz[i], .seconds = 30.0};
            // The first file rises to 880 Hz at 15 s, so that a seek can be heard.
            if (i == 0) tone.laterfrequency = 880.0, tone.changeat = 15.0;
            if (i == 0)
                tone.tags = {
                    {"title", "First Light"}, {"artist", "The Testers"}, {"album", "Tones"}};
            fixtures::writetone(dir / "music" / ("0" + std::to_string(i + 1) + ".mp3"),
                                fixtures::AudioFormat::Mp3, tone);
        }
        fixtures::writepicture(dir / "music" / "cover.jpg", fixtures::PictureFormat::Jpeg, 96, 96,
                               {220, 120, 0});
        ASSERT_GT(port, 0);
        box.start();
        ASSERT_TRUE(box.waitforwindow(30s)) << box.stderrtext();
    }

    // Pairs the page by the code the television shows, after one wrong try.
    void pair(browser::Browser& page) {
        ASSERT_TRUE(
            page.waitfor("!document.getElementById('pair').classList.contains('hidden')", 10s));
        page.click("#askcode");
        const Screenshot withcode = box.screenshotwhen(
            "code", [&](const Screenshot& s) { return near(s.at(1000, 700), 0, 0, 0, 0); }, 10s);
        const std::string code = readcode(box, withcode, box.folder() / "code.png");
        ASSERT_EQ(code.size(), 6u) << "no code read";
        const std::string wrong = code == "000000" ? "000001" : "000000";
        page.type("#code", wrong);
        page.click("#sendcode");
        // The field is cleared; the user learns what is left and is not sent for a new code.
        ASSERT_TRUE(page.waitfor(
            "/4 tries left/.test(document.getElementById('message').textContent)", 10s))
            << page.script("return document.getElementById('message').textContent;");
        EXPECT_EQ(page.script("return document.getElementById('code').value;"), "");
        EXPECT_EQ(
            page.script("return /new one/.test(document.getElementById('message').textContent);"),
            false);
        page.type("#code", code);
        page.click("#sendcode");
        ASSERT_TRUE(page.waitfor("document.querySelectorAll('#rows li').length === 3", 10s));
        // The used code leaves the television at once.
        const Screenshot gone = box.screenshotwhen(
            "codegone", [&](const Screenshot& s) { return !near(s.at(1000, 700), 0, 0, 0, 0); },
            5s);
        EXPECT_FALSE(near(gone.at(1000, 700), 0, 0, 0, 0));
    }

    fixtures::TempDir dir;
    int port = browser::freeport();
    XServer x{1024, 768};
    Jukebox box{x, dir / "app",
                settingstext(dir / "music", "none",
                             "showletters=0\n[remote]\nenabled=1\nlisten=127.0.0.1\nport=" +
                                 std::to_string(port) + "\n")};
    std::string address = "http://127.0.0.1:" + std::to_string(port) + "/";
};

// The page's screenshot, also copied into $TUNEDECK_SCREENSHOTS when that is set (for docs/).
void screenshot(browser::Browser& page, const Jukebox& box, const std::string& name) {
    page.screenshot(box.folder() / name);
    if (const char* keep = std::getenv("TUNEDECK_SCREENSHOTS"); keep != nullptr && *keep != '\0') {
        std::error_code ec;
        fs::copy_file(box.folder() / name, fs::path(keep) / name,
                      fs::copy_options::overwrite_existing, ec);
    }
}

TEST_F(PhoneRemote, TapsQueueCoverAwayAndForget) {
    browser::Browser page(390, 844, dir / "browser");
    page.open(address);
    pair(page);

    // A tap on the second row: the television highlights it and plays it.
    page.click("#rows li:nth-child(2) button.open");
    const Screenshot moved = box.screenshotwhen(
        "tapped", [](const Screenshot& s) { return highlighted(s, 2); }, 10s);
    EXPECT_TRUE(highlighted(moved, 2));
    EXPECT_TRUE(waituntil([&] { return findtone(box.tones(), 550.0, 0.5) >= 0; }, 15s));
    EXPECT_TRUE(page.waitfor("document.getElementById('playing').textContent === '02'", 10s));
    EXPECT_TRUE(page.waitfor(
        "document.getElementById('playpause').getAttribute('aria-label') === 'Pause'", 5s));
    // Each button sends one thing of its own.
    EXPECT_EQ(page.script("const keys = [...document.querySelectorAll('button[data-key]')]"
                          ".map(b => b.dataset.key); return keys.length === new Set(keys).size;"),
              true);

    // The queue panel: 01 moved below 02, so 01 follows what plays; the marks follow.
    ASSERT_TRUE(page.waitfor("document.querySelectorAll('#entries li').length === 3", 10s));
    EXPECT_TRUE(page.waitfor(
        "document.querySelector('#entries li.now .name').textContent === '2. 02'", 5s));
    page.click("#entries li:nth-child(1) button[aria-label^='Move down']");
    ASSERT_TRUE(page.waitfor(
        "document.querySelector('#entries li:nth-child(2) .name').textContent === '2. 01'", 10s));
    EXPECT_TRUE(page.waitfor(
        "document.querySelector('#rows li:nth-child(1) span').textContent === '01 (2)'", 5s));
    EXPECT_EQ(page.script("return document.querySelector('#entries li.now .name').textContent;"),
              "1. 02");
    page.click("button[data-key=n]");
    EXPECT_TRUE(waituntil(
        [&] {
            const auto tones = box.tones();
            const int second = findtone(tones, 550.0, 0.5);
            return second >= 0 && findtone({tones.begin() + second, tones.end()}, 440.0, 0.5) >= 0;
        },
        15s));

    // What plays now has tags and the folder's cover.
    EXPECT_TRUE(
        page.waitfor("document.getElementById('playing').textContent === 'First Light'", 10s));
    EXPECT_EQ(page.script("return document.getElementById('artist').textContent;"), "The Testers");
    EXPECT_TRUE(
        page.waitfor("(c => c.complete && c.naturalWidth === 96 && !c.classList.contains('hidden'))"
                     "(document.getElementById('cover'))",
                     10s));
    // Screen readers hear the change of track, from a region of its own; the clock is not in one.
    EXPECT_TRUE(
        page.waitfor("/First Light/.test(document.getElementById('announce').textContent)", 5s));
    EXPECT_EQ(page.script("return document.querySelectorAll('[aria-live]').length;"), 1);
    screenshot(page, box, "remote-phone.png");

    // The position bar: let go at 20 s, the position and the sound move there.
    ASSERT_TRUE(page.waitfor("!document.getElementById('seek').disabled", 5s));
    page.script(
        "const bar = document.getElementById('seek'); bar.value = '20';"
        "bar.dispatchEvent(new Event('input')); bar.dispatchEvent(new Event('change'));");
    EXPECT_TRUE(
        page.waitfor("/^00:2[0-4] /.test(document.getElementById('times').textContent)", 10s))
        << page.script("return document.getElementById('times').textContent;");
    EXPECT_TRUE(waituntil([&] { return findtone(box.tones(), 880.0, 0.5) >= 0; }, 15s));

    // Leave asks first; its dialog takes the focus. Leaving ends the jukebox: the page says it
    // is away and its buttons show they will not act.
    page.click("#leave");
    EXPECT_TRUE(page.waitfor("document.activeElement === document.getElementById('cancel')", 5s));
    const std::string token = page.script("return localStorage.getItem('tunedeck-token');");
    page.script(
        "window.awayat = 0; new MutationObserver(() => { if (!window.awayat) window.awayat = "
        "Date.now(); })"
        ".observe(document.getElementById('away'), {attributes: true});");
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::system_clock::now().time_since_epoch())
                          .count();
    page.click("#really");
    ASSERT_TRUE(box.wait(15s).has_value());
    ASSERT_TRUE(page.waitfor("!document.getElementById('away').classList.contains('hidden')", 10s));
    const auto said = page.script("return window.awayat;").get<int64_t>();
    std::printf("the page said the jukebox was away %lld ms after Leave was tapped\n",
                static_cast<long long>(said - left));
    EXPECT_EQ(page.script("return document.querySelector('button[data-key=n]').disabled;"), true);
    EXPECT_EQ(page.script("return document.getElementById('times').textContent;"), "");
    screenshot(page, box, "remote-away.png");

    // Back again: the page comes back by itself.
    box.start();
    ASSERT_TRUE(box.waitforwindow(30s)) << box.stderrtext();
    EXPECT_TRUE(page.waitfor("document.getElementById('away').classList.contains('hidden')", 20s));
    EXPECT_EQ(page.script("return document.querySelector('button[data-key=n]').disabled;"), false);

    // Forget asks, then the token no longer works on the jukebox.
    page.click("#forget");
    EXPECT_TRUE(page.waitfor("document.activeElement === document.getElementById('cancel')", 5s));
    page.click("#really");
    ASSERT_TRUE(page.waitfor("!document.getElementById('pair').classList.contains('hidden')", 10s));
    httplib::Client c("127.0.0.1", port);
    const auto refused = c.Get("/api/state", {{"Authorization", "Bearer " + token}});
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 401);

    // A QR link opened in this tab, which already shows the page, pairs it (here it cannot:
    // the token is made up, and the page says so).
    page.script("location.hash = '#pair=0123456789abcdef0123456789abcdef';");
    EXPECT_TRUE(
        page.waitfor("/not right/.test(document.getElementById('message').textContent)", 10s))
        << page.script("return document.getElementById('message').textContent;");
    EXPECT_EQ(page.script("return location.hash;"), "");
    EXPECT_EQ(box.messages(), "");
}

// A tablet shows the list, the controls and the queue side by side.
TEST_F(PhoneRemote, TabletScreenshot) {
    browser::Browser page(820, 1180, dir / "browser");
    page.open(address);
    pair(page);
    page.click("#rows li:nth-child(1) button.open");
    ASSERT_TRUE(
        page.waitfor("document.getElementById('playing').textContent === 'First Light'", 15s));
    ASSERT_TRUE(page.waitfor(
        "(c => c.complete && c.naturalWidth === 96)(document.getElementById('cover'))", 10s));
    ASSERT_TRUE(page.waitfor("document.querySelectorAll('#entries li').length === 3", 10s));
    screenshot(page, box, "remote-tablet.png");
}

}  // namespace
}  // namespace tunedeck::e2e
