// The installed jukebox: `cmake --install` into a temporary prefix gives a self-contained folder
// whose program runs from there, whose commented settings file states the real defaults, and whose
// systemd unit and desktop entry name the program where it was installed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "harness.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck::e2e {
namespace {

using namespace std::chrono_literals;

std::string readtext(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

fs::path builddir() {
    const char* dir = std::getenv("TUNEDECK_BUILD_DIR");
    return dir ? fs::path(dir) : fs::current_path();
}

// The cmake that configured the build folder, so the install rules are read by the same version.
std::string cmakecommand() {
    std::ifstream cache(builddir() / "CMakeCache.txt");
    const std::string key = "CMAKE_COMMAND:INTERNAL=";
    for (std::string line; std::getline(cache, line);)
        if (line.starts_with(key)) return line.substr(key.size());
    return "cmake";
}

// Every `;key=value` line made live: the file then states each documented default explicitly.
std::string uncommented(const std::string& settings) {
    static const std::regex commentedkey(R"(^;([a-z0-9]+=))", std::regex::multiline);
    return std::regex_replace(settings, commentedkey, "$1");
}

// Replaces the line of `key` (live or commented) with `key=value`.
std::string withvalue(const std::string& settings, const std::string& key,
                      const std::string& value) {
    const std::regex line("^;?" + key + "=.*$", std::regex::multiline);
    return std::regex_replace(settings, line, key + "=" + value);
}

// Rows from the first to the last that hold a pixel differing between two screens of one size;
// zero when they are the same.
int differingspan(const Screenshot& a, const Screenshot& b) {
    int first = -1, last = -1;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const Pixel p = a.at(x, y), q = b.at(x, y);
            if (p.r != q.r || p.g != q.g || p.b != q.b) {
                if (first < 0) first = y;
                last = y;
                break;
            }
        }
    return first < 0 ? 0 : last - first + 1;
}

// A small music tree: two folders of MP3 tones, long enough to outlast a run, named so that the
// tidying of names would show.
fs::path makelibrary(const fs::path& root) {
    using fixtures::AudioFormat;
    fs::create_directories(root / "alpha_band");
    fs::create_directories(root / "bravo_band");
    fixtures::writetone(root / "alpha_band" / "one.mp3", AudioFormat::Mp3, {440.0, 30.0});
    fixtures::writetone(root / "bravo_band" / "two.mp3", AudioFormat::Mp3, {660.0, 30.0});
    return root;
}

class InstalledJukebox : public testing::Test {
  protected:
    void SetUp() override {
        home_ = fs::temp_directory_path() /
                ("tunedeck-install-" + std::to_string(::getpid()) + "-" +
                 testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(home_);
        prefix_ = home_ / "opt" / "tunedeck";
        const int rc = runcommand(
            {cmakecommand(), "--install", builddir().string(), "--prefix", prefix_.string()}, {},
            120s);
        ASSERT_EQ(rc, 0) << "cmake --install into " << prefix_;
    }
    // A failed test leaves its folder (screens, standard error) for a look.
    void TearDown() override {
        if (!HasFailure()) fs::remove_all(home_);
    }

    // Runs the installed program under `x` with `settings` beside it; returns its screen once the
    // window is up, then presses X. `status` receives the exit status, `err` its standard error.
    std::optional<Screenshot> runonce(const XServer& x, const std::string& settings,
                                      const std::string& name, std::optional<int>& status,
                                      std::string& err) {
        std::ofstream(prefix_ / "settings.ini", std::ios::trunc) << settings;
        const fs::path errfile = home_ / (name + "-stderr.txt");
        Child child({(prefix_ / "tunedeck").string()},
                    {{"DISPLAY", x.display()},
                     {"SDL_VIDEODRIVER", "x11"},
                     {"SDL_AUDIODRIVER", "disk"},
                     {"SDL_DISKAUDIOFILE", (home_ / (name + "-audio.raw")).string()},
                     {"HOME", home_.string()}},
                    "/dev/null", errfile);
        std::optional<Screenshot> shot;
        if (waitforwindow(x, child, 30s)) {
            shot = withstatuslines(x, home_ / (name + ".png"));
            runcommand({"xdotool", "key", "--delay", "0", "x"}, {{"DISPLAY", x.display()}}, 5s);
        }
        status = child.wait(20s);
        err = readtext(errfile);
        return shot;
    }

    // The screen once the first tick has written the status lines at the bottom (white type in
    // the lowest tenth), or as it is after ten seconds.
    static Screenshot withstatuslines(const XServer& x, const fs::path& png) {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        for (;;) {
            Screenshot shot(x, png);
            const int band = shot.height() / 10;
            if (shot.whiteshare(0, shot.height() - band, shot.width(), band) > 0.005 ||
                std::chrono::steady_clock::now() >= deadline)
                return shot;
            std::this_thread::sleep_for(200ms);
        }
    }

    static bool waitforwindow(const XServer& x, Child& child, std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < deadline && child.running()) {
            if (runcommand(
                    {"xdotool", "search", "--onlyvisible", "--pid", std::to_string(child.pid())},
                    {{"DISPLAY", x.display()}}, 5s) == 0)
                return true;
            std::this_thread::sleep_for(100ms);
        }
        return false;
    }

    fs::path home_;
    fs::path prefix_;
};

TEST_F(InstalledJukebox, FolderHoldsProgramSettingsReadmeAndItsPictures) {
    const auto perms = fs::status(prefix_ / "tunedeck").permissions();
    EXPECT_NE(perms & fs::perms::owner_exec, fs::perms::none);
    for (const char* file :
         {"settings.ini", "README.md", "share/tunedeck-mce.toml", "share/tunedeck-cec.toml"})
        EXPECT_TRUE(fs::is_regular_file(prefix_ / file)) << file;

    // Every picture the installed README shows is installed beside it.
    const std::string readme = readtext(prefix_ / "README.md");
    const std::regex picture(R"(!\[[^\]]*\]\(([^)]+)\))");
    int pictures = 0;
    for (auto it = std::sregex_iterator(readme.begin(), readme.end(), picture);
         it != std::sregex_iterator(); ++it, ++pictures)
        EXPECT_TRUE(fs::is_regular_file(prefix_ / (*it)[1].str())) << (*it)[1].str();
    EXPECT_GE(pictures, 2);
}

TEST_F(InstalledJukebox, UnitAndDesktopEntryStartTheInstalledProgramAndValidate) {
    const std::string program = (prefix_ / "tunedeck").string();
    const std::string unit = readtext(prefix_ / "share" / "tunedeck.service");
    const std::string entry = readtext(prefix_ / "share" / "tunedeck.desktop");
    EXPECT_NE(unit.find("\nExecStart=" + program + "\n"), std::string::npos) << unit;
    EXPECT_NE(entry.find("\nExec=" + program + "\n"), std::string::npos) << entry;
    // Restarted after a failure only: the exit key ends with status 0 and must stay ended.
    EXPECT_NE(unit.find("\nRestart=on-failure\n"), std::string::npos);

    // Both tools report some faults only as warnings, so their output must be empty too.
    const fs::path share = prefix_ / "share";
    const std::vector<std::vector<std::string>> checks = {
        {"desktop-file-validate", (share / "tunedeck.desktop").string()},
        {"systemd-analyze", "verify", (share / "tunedeck.service").string()}};
    for (const auto& argv : checks) {
        const fs::path out = home_ / "validate.txt";
        Child child(argv, {{"SYSTEMD_LOG_LEVEL", "warning"}}, out, out);
        EXPECT_EQ(child.wait(60s), std::optional<int>(0)) << argv[0] << ": " << readtext(out);
        EXPECT_EQ(readtext(out), "") << argv[0];
    }
}

// The installed settings file with every key made live at its documented value must show the
// same screen as no keys at all: the comments state the real defaults. Both runs end with X.
// Without a CD drive a fresh install plays ~/Music untouched.
TEST_F(InstalledJukebox, RunsUnderXWithTheDocumentedDefaultsAndEndsWithX) {
    if (fs::exists("/dev/sr0") || fs::exists("/dev/cdrom")) GTEST_SKIP() << "a CD drive";
    const fs::path library = makelibrary(home_ / "Music");
    const std::string shipped = readtext(prefix_ / "settings.ini");
    ASSERT_FALSE(shipped.empty());
    // The remote and the media controls stay off here: a test listens on no network address.
    const std::string minimal = "[remote]\nenabled=0\nmpris=0\n";
    const std::string documented = withvalue(
        withvalue(withvalue(uncommented(shipped), "path", library.string()), "enabled", "0"),
        "mpris", "0");
    ASSERT_NE(documented.find("\nperpage=11\n"), std::string::npos) << documented;
    ASSERT_NE(documented.find("\nport=8080\n"), std::string::npos) << documented;

    XServer x(1024, 768);
    std::optional<int> status;
    std::string err;
    const auto implicit = runonce(x, minimal, "implicit", status, err);
    ASSERT_TRUE(implicit.has_value()) << "no window; stderr: " << err;
    EXPECT_EQ(status, std::optional<int>(0)) << err;
    EXPECT_EQ(err.find("tunedeck:"), std::string::npos) << err;
    // The list of the letter grid, white type over the gradient.
    EXPECT_GT(implicit->whiteshare(0, 0, 1024, 768), 0.002);

    const auto explicitdefaults = runonce(x, documented, "explicit", status, err);
    ASSERT_TRUE(explicitdefaults.has_value()) << "no window; stderr: " << err;
    EXPECT_EQ(status, std::optional<int>(0)) << err;
    EXPECT_EQ(err.find("tunedeck:"), std::string::npos) << err;
    // Only the running time and the clock may differ: they share one status line, a band of at
    // most 24 rows. A tidied name, a shifted colour or another layout reaches beyond it.
    ASSERT_EQ(implicit->width(), explicitdefaults->width());
    ASSERT_EQ(implicit->height(), explicitdefaults->height());
    EXPECT_LE(differingspan(*implicit, *explicitdefaults), 24);

    // The phone remote's server is a module installed beside the program, and found there: with
    // the remote on (loopback, any free port) no line says it is off.
    const auto withremote = runonce(x, "[remote]\nenabled=1\nlisten=127.0.0.1\nport=0\nmpris=0\n",
                                    "remote", status, err);
    ASSERT_TRUE(withremote.has_value()) << "no window; stderr: " << err;
    EXPECT_EQ(status, std::optional<int>(0)) << err;
    EXPECT_EQ(err.find("tunedeck:"), std::string::npos) << err;
}

}  // namespace
}  // namespace tunedeck::e2e
