// The installed jukebox: `cmake --install` into a temporary prefix lays out what `make install`
// does (PREFIX/lib/tunedeck, PREFIX/bin/tunedeck, PREFIX/etc/tunedeck/settings.ini linked from the
// program's folder); the program runs from there, its commented settings file states the real
// defaults, and the systemd unit and desktop entry name the installed program.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <regex>

#include "harness.h"

namespace tunedeck::e2e {
namespace {

using namespace std::chrono_literals;

// The cmake that configured the build folder, so the install rules are read by the same version.
std::string cmakecommand() {
    std::ifstream cache(builddir() / "CMakeCache.txt");
    const std::string key = "CMAKE_COMMAND:INTERNAL=";
    for (std::string line; std::getline(cache, line);)
        if (line.starts_with(key)) return line.substr(key.size());
    return "cmake";
}

// Every `;key=value` line made live, and `key` set to `value` (live or commented).
std::string uncommented(const std::string& settings) {
    static const std::regex kCommentedKey(R"(^;([a-z0-9]+=))", std::regex::multiline);
    return std::regex_replace(settings, kCommentedKey, "$1");
}
std::string withvalue(const std::string& settings, const std::string& key,
                      const std::string& value) {
    return std::regex_replace(settings, std::regex("^;?" + key + "=.*$", std::regex::multiline),
                              key + "=" + value);
}

// Rows from the first to the last that hold a pixel differing between two screens of one size;
// zero when they are the same.
int differingspan(const Screenshot& a, const Screenshot& b) {
    int first = -1, last = -1;
    for (int y = 0; y < a.height(); ++y)
        if (a.difference(b, 0, y, a.width(), 1) > 0) {
            if (first < 0) first = y;
            last = y;
        }
    return first < 0 ? 0 : last - first + 1;
}

// The first tick has written the status lines at the bottom (white type in the lowest tenth).
bool statuslinesshown(const Screenshot& shot) {
    const int band = shot.height() / 10;
    return shot.whiteshare(0, shot.height() - band, shot.width(), band) > 0.005;
}

class InstalledJukebox : public testing::Test {
  protected:
    void SetUp() override {
        home_ = fs::temp_directory_path() /
                ("tunedeck-install-" + std::to_string(::getpid()) + "-" +
                 testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(home_);
        prefix_ = home_ / "usr" / "local";
        program_ = prefix_ / "lib" / "tunedeck";
        ASSERT_EQ(runcommand({cmakecommand(), "--install", builddir().string(), "--prefix",
                              prefix_.string()},
                             {}, 120s),
                  0)
            << "cmake --install into " << prefix_;
    }
    // A failed test leaves its folder (screens, standard error) for a look.
    void TearDown() override {
        if (!HasFailure()) fs::remove_all(home_);
    }

    struct Run {
        std::optional<Screenshot> screen;  // once the window is up
        std::optional<int> status;
        std::string err;
    };
    // Runs the installed program under `x` with `settings` beside it and presses X.
    Run runonce(const XServer& x, const std::string& settings, const std::string& name) {
        Jukebox box(x, program_, settings);
        box.start({{"HOME", home_.string()}});
        Run run;
        if (box.waitforwindow(30s)) {
            run.screen = box.screenshotwhen(name, statuslinesshown, 10s);
            box.key("x");
        }
        run.status = box.wait(20s);
        run.err = box.stderrtext();
        return run;
    }

    fs::path home_;
    fs::path prefix_;
    fs::path program_;  // the program's folder
};

TEST_F(InstalledJukebox, LaysOutProgramSettingsDocsUnitAndDesktopEntryAsThePackage) {
    const auto perms = fs::status(program_ / "tunedeck").permissions();
    EXPECT_NE(perms & fs::perms::owner_exec, fs::perms::none);
    EXPECT_TRUE(fs::is_regular_file(program_ / "tunedeck-remote.so"));
    EXPECT_EQ(fs::read_symlink(prefix_ / "bin" / "tunedeck"), "../lib/tunedeck/tunedeck");
    // The program reads settings.ini beside itself: the configuration folder's, through a link.
    const fs::path settings = prefix_ / "etc" / "tunedeck" / "settings.ini";
    EXPECT_EQ(fs::read_symlink(program_ / "settings.ini"), settings);
    EXPECT_TRUE(fs::is_regular_file(settings));
    const fs::path doc = prefix_ / "share" / "doc" / "tunedeck";
    for (const fs::path& file : {doc / "README.md", doc / "copyright", doc / "changelog.gz",
                                 prefix_ / "share" / "man" / "man1" / "tunedeck.1.gz",
                                 prefix_ / "share" / "tunedeck" / "tunedeck-mce.toml",
                                 prefix_ / "share" / "tunedeck" / "tunedeck-cec.toml"})
        EXPECT_TRUE(fs::is_regular_file(file)) << file;

    // Every picture the installed README shows is installed beside it.
    const std::string readme = readfile(doc / "README.md");
    const std::regex picture(R"(!\[[^\]]*\]\(([^)]+)\))");
    int pictures = 0;
    for (auto it = std::sregex_iterator(readme.begin(), readme.end(), picture);
         it != std::sregex_iterator(); ++it, ++pictures)
        EXPECT_TRUE(fs::is_regular_file(doc / (*it)[1].str())) << (*it)[1].str();
    EXPECT_GE(pictures, 2);

    // An owner's edited settings survive installing again; the link is made anew.
    std::ofstream(settings, std::ios::app) << "[display]\nperpage=9\n";
    const std::string edited = readfile(settings);
    ASSERT_EQ(
        runcommand({cmakecommand(), "--install", builddir().string(), "--prefix", prefix_.string()},
                   {}, 120s),
        0);
    EXPECT_EQ(readfile(settings), edited);

    // The unit and the desktop entry start the installed program and validate.
    const std::string program = (prefix_ / "bin" / "tunedeck").string();
    const fs::path unitfile = prefix_ / "lib" / "systemd" / "user" / "tunedeck.service";
    const fs::path entryfile = prefix_ / "share" / "applications" / "tunedeck.desktop";
    const std::string unit = readfile(unitfile);
    const std::string entry = readfile(entryfile);
    EXPECT_NE(unit.find("\nExecStart=" + program + "\n"), std::string::npos) << unit;
    EXPECT_NE(entry.find("\nExec=" + program + "\n"), std::string::npos) << entry;
    EXPECT_NE(unit.find("file://" + (doc / "README.md").string() + "\n"), std::string::npos);
    // Restarted after a failure only: the exit key ends with status 0 and must stay ended.
    EXPECT_NE(unit.find("\nRestart=on-failure\n"), std::string::npos);

    // Both tools report some faults only as warnings, so their output must be empty too.
    const std::vector<std::vector<std::string>> checks = {
        {"desktop-file-validate", entryfile.string()},
        {"systemd-analyze", "verify", unitfile.string()}};
    for (const auto& argv : checks) {
        const fs::path out = home_ / "validate.txt";
        // The unit's manual page is looked for where it was installed.
        Child child(
            argv,
            {{"SYSTEMD_LOG_LEVEL", "warning"}, {"MANPATH", (prefix_ / "share" / "man").string()}},
            out, out);
        EXPECT_EQ(child.wait(60s), std::optional<int>(0)) << argv[0] << ": " << readfile(out);
        EXPECT_EQ(readfile(out), "") << argv[0];
    }
}

// The installed settings file with every key made live at its documented value must show the
// same screen as no keys at all: the comments state the real defaults. Both runs end with X.
// Without a CD drive a fresh install plays ~/Music untouched.
TEST_F(InstalledJukebox, RunsUnderXWithTheDocumentedDefaultsAndEndsWithX) {
    if (fs::exists("/dev/sr0") || fs::exists("/dev/cdrom")) GTEST_SKIP() << "a CD drive";
    // Two folders of tones that outlast a run, named so that the tidying of names would show.
    const fs::path library = home_ / "Music";
    const std::pair<const char*, double> bands[] = {{"alpha_band", 440.0}, {"bravo_band", 660.0}};
    for (const auto& [folder, frequency] : bands) {
        fs::create_directories(library / folder);
        fixtures::writetone(library / folder / "one.mp3", fixtures::AudioFormat::Mp3,
                            {frequency, 30.0});
    }
    const std::string shipped = readfile(program_ / "settings.ini");
    ASSERT_FALSE(shipped.empty());
    // The remote and the media controls stay off here: a test listens on no network address.
    const std::string documented = withvalue(
        withvalue(withvalue(uncommented(shipped), "path", library.string()), "enabled", "0"),
        "mpris", "0");
    ASSERT_NE(documented.find("\nperpage=11\n"), std::string::npos) << documented;
    ASSERT_NE(documented.find("\nport=8080\n"), std::string::npos) << documented;

    XServer x(1024, 768);
    const Run implicit = runonce(x, "[remote]\nenabled=0\nmpris=0\n", "implicit");
    const Run explicitdefaults = runonce(x, documented, "explicit");
    // The phone remote's server is a module installed beside the program, and found there: with
    // the remote on (loopback, any free port) no line says it is off.
    const Run withremote =
        runonce(x, "[remote]\nenabled=1\nlisten=127.0.0.1\nport=0\nmpris=0\n", "remote");
    for (const Run* run : {&implicit, &explicitdefaults, &withremote}) {
        ASSERT_TRUE(run->screen.has_value()) << "no window; stderr: " << run->err;
        EXPECT_EQ(run->status, std::optional<int>(0)) << run->err;
        EXPECT_EQ(run->err.find("tunedeck:"), std::string::npos) << run->err;
    }
    // The list of the letter grid, white type over the gradient.
    EXPECT_GT(implicit.screen->whiteshare(0, 0, 1024, 768), 0.002);
    // Only the running time and the clock may differ: they share one status line, a band of at
    // most 24 rows. A tidied name, a shifted colour or another layout reaches beyond it.
    ASSERT_EQ(implicit.screen->width(), explicitdefaults.screen->width());
    ASSERT_EQ(implicit.screen->height(), explicitdefaults.screen->height());
    EXPECT_LE(differingspan(*implicit.screen, *explicitdefaults.screen), 24);
}

}  // namespace
}  // namespace tunedeck::e2e
