// The Debian package as a user gets it: built by CPack from the build folder and unpacked into a
// temporary root. Its paths and control file are as Debian expects and lintian finds no error;
// the installed program, started by an ordinary user with a fresh home, plays ~/Music, pairs a
// phone that stays paired after a restart, and writes nothing outside that home.
#include <grp.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "harness.h"
#include "tools/browser/webdriver.h"

namespace tunedeck::e2e {
namespace {

using namespace std::chrono_literals;

// The cpack that belongs to the cmake which configured the build folder.
std::string cpackcommand() {
    std::ifstream cache(builddir() / "CMakeCache.txt");
    const std::string key = "CMAKE_CPACK_COMMAND:INTERNAL=";
    for (std::string line; std::getline(cache, line);)
        if (line.starts_with(key)) return line.substr(key.size());
    return "cpack";
}

// Standard output of a command that must succeed; "" (and a failure) otherwise.
std::string outputof(const std::vector<std::string>& argv, const fs::path& scratch,
                     std::chrono::milliseconds timeout = 60s) {
    const fs::path out = scratch / "out.txt", err = scratch / "err.txt";
    Child child(argv, {}, out, err);
    const auto status = child.wait(timeout);
    EXPECT_EQ(status, std::optional<int>(0)) << argv[0] << ": " << readfile(err);
    return status == std::optional<int>(0) ? readfile(out) : "";
}

// What a file's entry says: type, mode, owner, size and change time, to see whether anything in
// a tree was made, changed or removed.
std::string entrystate(const struct stat& info) {
    std::ostringstream text;
    text << std::oct << info.st_mode << std::dec << " " << info.st_uid << " " << info.st_size << " "
         << info.st_mtim.tv_sec << "." << info.st_mtim.tv_nsec << " " << info.st_ctim.tv_sec << "."
         << info.st_ctim.tv_nsec;
    return text.str();
}

// Every entry under `top` (never following links), with its state; `skip` and what is below it
// left out. Entries that vanish while it walks (other tests' files) are passed over.
std::map<std::string, struct stat> walk(const fs::path& top, const fs::path& skip = {}) {
    std::map<std::string, struct stat> entries;
    std::error_code ec;
    auto it =
        fs::recursive_directory_iterator(top, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (!skip.empty() && it->path() == skip) {
            it.disable_recursion_pending();
            continue;
        }
        struct stat info {};
        if (::lstat(it->path().c_str(), &info) == 0) entries[it->path().string()] = info;
    }
    return entries;
}

std::map<std::string, std::string> treestate(const fs::path& top) {
    std::map<std::string, std::string> state;
    for (const auto& [path, info] : walk(top)) state[path] = entrystate(info);
    return state;
}

// A user id and group id that no account or group has: whatever carries it was made by the
// program run under it.
uid_t unuseduid() {
    for (uid_t uid = 61000; uid < 65000; ++uid)
        if (::getpwuid(uid) == nullptr && ::getgrgid(uid) == nullptr) return uid;
    return 0;
}

// The package, built from the build folder into a temporary folder, and unpacked into a root
// there.
class DebianPackage : public testing::Test {
  protected:
    void SetUp() override {
        ::chmod(dir_.path().c_str(), 0755);  // the ordinary user reaches the root and its home
        const fs::path out = dir_ / "cpack.txt";
        Child cpack({cpackcommand(), "--config", (builddir() / "CPackConfig.cmake").string(), "-B",
                     (dir_ / "package").string()},
                    {}, out, out);
        ASSERT_EQ(cpack.wait(600s), std::optional<int>(0)) << readfile(out);
        for (const auto& entry : fs::directory_iterator(dir_ / "package"))
            if (entry.path().extension() == ".deb") deb_ = entry.path();
        ASSERT_FALSE(deb_.empty()) << readfile(out);
        ASSERT_EQ(runcommand({"dpkg-deb", "-x", deb_.string(), root_.string()}, {}, 120s), 0);
        ASSERT_EQ(
            runcommand({"dpkg-deb", "-e", deb_.string(), (dir_ / "control").string()}, {}, 120s),
            0);
    }
    std::string field(const std::string& name) {
        return outputof({"dpkg-deb", "-f", deb_.string(), name}, dir_.path());
    }

    fixtures::TempDir dir_;
    fs::path deb_;
    fs::path root_ = dir_ / "root";
};

TEST_F(DebianPackage, IsLaidOutAsDebianExpectsWithAProperControlFileAndNoLintianError) {
    const fs::path lib = root_ / "usr" / "lib" / "tunedeck";
    EXPECT_NE(fs::status(lib / "tunedeck").permissions() & fs::perms::others_exec, fs::perms::none);
    EXPECT_TRUE(fs::is_regular_file(lib / "tunedeck-remote.so"));
    EXPECT_EQ(fs::read_symlink(root_ / "usr" / "bin" / "tunedeck"), "../lib/tunedeck/tunedeck");
    EXPECT_EQ(fs::read_symlink(lib / "settings.ini"), "/etc/tunedeck/settings.ini");
    EXPECT_TRUE(fs::is_regular_file(root_ / "etc" / "tunedeck" / "settings.ini"));
    EXPECT_EQ(readfile(dir_ / "control" / "conffiles"), "/etc/tunedeck/settings.ini\n");
    const fs::path share = root_ / "usr" / "share";
    for (const fs::path& file :
         {share / "tunedeck" / "tunedeck-mce.toml", share / "tunedeck" / "tunedeck-cec.toml",
          share / "doc" / "tunedeck" / "README.md", share / "doc" / "tunedeck" / "changelog.gz",
          share / "man" / "man1" / "tunedeck.1.gz"})
        EXPECT_TRUE(fs::is_regular_file(file)) << file;
    EXPECT_FALSE(fs::exists(root_ / "opt"));
    const std::string unit =
        readfile(root_ / "usr" / "lib" / "systemd" / "user" / "tunedeck.service");
    EXPECT_NE(unit.find("\nExecStart=/usr/bin/tunedeck\n"), std::string::npos) << unit;
    const std::string entry = readfile(share / "applications" / "tunedeck.desktop");
    EXPECT_NE(entry.find("\nExec=/usr/bin/tunedeck\n"), std::string::npos) << entry;
    const std::string copyright = readfile(share / "doc" / "tunedeck" / "copyright");
    EXPECT_TRUE(copyright.starts_with(
        "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"));

    // The changelog's latest entry is this version.
    const std::string version = field("Version");
    const std::string changelog = outputof(
        {"gzip", "-dc", (share / "doc" / "tunedeck" / "changelog.gz").string()}, dir_.path());
    EXPECT_TRUE(changelog.starts_with("tunedeck (" + version.substr(0, version.size() - 1) + ")"))
        << version << changelog.substr(0, 80);

    // A real address, a short and a long description, libraries found by dpkg-shlibdeps, fonts
    // recommended.
    const std::string maintainer = field("Maintainer");
    EXPECT_TRUE(std::regex_search(maintainer, std::regex("<[^@<>]+@[a-z0-9-]+(\\.[a-z0-9-]+)+>")))
        << maintainer;
    EXPECT_EQ(maintainer.find("localhost"), std::string::npos);
    const std::string description = field("Description");
    EXPECT_GE(std::count(description.begin(), description.end(), '\n'), 5) << description;
    const std::string depends = field("Depends");
    for (const char* library : {"libsdl2-2.0-0", "libavcodec", "libcdio", "libicu", "libqrencode"})
        EXPECT_NE(depends.find(library), std::string::npos) << library << " in " << depends;
    EXPECT_EQ(depends.find("fonts-"), std::string::npos) << depends;
    const std::string recommends = field("Recommends");
    for (const char* font : {"fonts-dejavu-core", "fonts-noto-core", "fonts-noto-cjk"})
        EXPECT_NE(recommends.find(font), std::string::npos) << font << " in " << recommends;

    // lintian: warnings are allowed (the project's README lists them), errors are not.
    const fs::path report = dir_ / "lintian.txt";
    Child lintian({"lintian", "--tag-display-limit", "0", deb_.string()}, {}, report, report);
    ASSERT_TRUE(lintian.wait(600s).has_value());
    const std::string found = readfile(report);
    EXPECT_FALSE(std::regex_search(found, std::regex("(^|\n)E: "))) << found;
}

// dpkg installing into a root of its own, its maintainer scripts run outside a chroot (they
// honour DPKG_ROOT); the libraries the package depends on are the system's, not the root's.
class PackageRoot {
  public:
    explicit PackageRoot(fs::path root) : root_(std::move(root)) {
        for (const char* folder : {"info", "updates", "triggers"})
            fs::create_directories(root_ / "var" / "lib" / "dpkg" / folder);
        std::ofstream(root_ / "var" / "lib" / "dpkg" / "status");
    }
    // dpkg with `args`; its exit status, its output in `log`.
    int dpkg(const std::vector<std::string>& args, const fs::path& log) const {
        std::vector<std::string> argv = {"dpkg", "--root=" + root_.string(),
                                         "--force-script-chrootless", "--force-depends",
                                         "--log=/dev/null"};
        argv.insert(argv.end(), args.begin(), args.end());
        Child child(argv, {}, log, log);
        return child.wait(300s).value_or(-1);
    }
    // Every path in the root but dpkg's own database.
    std::vector<std::string> files() const {
        std::vector<std::string> out;
        for (const auto& [path, info] : walk(root_, root_ / "var"))
            out.push_back(fs::relative(path, root_).string());
        return out;
    }

  private:
    fs::path root_;
};

// A stand-in for version 0.1's package, in its layout: everything in /opt/tunedeck, the settings
// a conffile there.
fs::path oldpackage(const fs::path& folder) {
    const fs::path tree = folder / "tree";
    fs::create_directories(tree / "DEBIAN");
    fs::create_directories(tree / "opt" / "tunedeck" / "share");
    std::ofstream(tree / "DEBIAN" / "control")
        << "Package: tunedeck\nVersion: 0.1.0\nArchitecture: "
        << outputof({"dpkg", "--print-architecture"}, folder)
        << "Maintainer: Tunedeck developers <tunedeck@localhost>\nDescription: jukebox\n";
    std::ofstream(tree / "DEBIAN" / "conffiles") << "/opt/tunedeck/settings.ini\n";
    std::ofstream(tree / "opt" / "tunedeck" / "settings.ini") << "[system]\n;path=\n";
    std::ofstream(tree / "opt" / "tunedeck" / "tunedeck") << "program\n";
    std::ofstream(tree / "opt" / "tunedeck" / "share" / "tunedeck.service") << "[Unit]\n";
    const fs::path deb = folder / "tunedeck_0.1.0.deb";
    EXPECT_EQ(
        runcommand({"dpkg-deb", "--root-owner-group", "-b", tree.string(), deb.string()}, {}, 60s),
        0);
    return deb;
}

TEST_F(DebianPackage, InstallsUpgradesOverVersion01KeepingItsSettingsAndPhonesAndPurgesCleanly) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root: dpkg gives the files to root";
    const fs::path log = dir_ / "dpkg.txt";
    {
        // A fresh install leaves nothing behind once purged.
        const PackageRoot fresh(dir_ / "fresh");
        ASSERT_EQ(fresh.dpkg({"-i", deb_.string()}, log), 0) << readfile(log);
        EXPECT_TRUE(fs::is_regular_file(dir_ / "fresh" / "usr" / "lib" / "tunedeck" / "tunedeck"));
        ASSERT_EQ(fresh.dpkg({"--purge", "tunedeck"}, log), 0) << readfile(log);
        EXPECT_EQ(fresh.files(), std::vector<std::string>{});
    }

    const fs::path up = dir_ / "upgraded";
    const PackageRoot upgraded(up);
    ASSERT_EQ(upgraded.dpkg({"-i", oldpackage(dir_ / "old").string()}, log), 0) << readfile(log);
    // The owner edited the settings, and the jukebox's user (given the folder, as 0.1 asked)
    // paired a phone.
    const fs::path opt = up / "opt" / "tunedeck";
    std::ofstream(opt / "settings.ini", std::ios::app) << "[display]\nperpage=9\n";
    const std::string edited = readfile(opt / "settings.ini");
    std::ofstream(opt / "remote.tokens") << std::string(64, 'c') << "\n";
    ASSERT_EQ(::chown(opt.c_str(), 61234, 61234), 0);
    ASSERT_EQ(::chown((opt / "remote.tokens").c_str(), 61234, 61234), 0);

    ASSERT_EQ(upgraded.dpkg({"-i", deb_.string()}, log), 0) << readfile(log);
    EXPECT_EQ(readfile(up / "etc" / "tunedeck" / "settings.ini"), edited);
    // The phones' file waits beside the program, still its user's, for the program to take over.
    const fs::path tokens = up / "usr" / "lib" / "tunedeck" / "remote.tokens";
    struct stat info {};
    ASSERT_EQ(::stat(tokens.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 61234u);
    EXPECT_FALSE(fs::exists(opt));
    EXPECT_TRUE(fs::is_regular_file(up / "usr" / "lib" / "tunedeck" / "tunedeck"));

    ASSERT_EQ(upgraded.dpkg({"--purge", "tunedeck"}, log), 0) << readfile(log);
    // Only /opt stays, which version 0.1 made here (a system's own belongs to base-files).
    EXPECT_EQ(upgraded.files(), std::vector<std::string>{"opt"});
}

// The program as installed by the package, run by a user of its own with a fresh home: the root's
// /etc is laid over the system's in a private mount namespace (read-only), so that the program's
// settings link reaches the package's settings.ini as it does once installed.
class InstalledPackage : public DebianPackage {
  protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "needs root: a second user and a mount namespace";
        if (runcommand({"unshare", "--mount", "true"}, {}, 20s) != 0)
            GTEST_SKIP() << "no mount namespace here";
        DebianPackage::SetUp();
        if (HasFatalFailure()) return;
        uid_ = unuseduid();
        ASSERT_NE(uid_, 0u);
        fs::create_directories(home_ / "Music" / "alpha_band");
        fixtures::writetone(home_ / "Music" / "alpha_band" / "one.mp3", fixtures::AudioFormat::Mp3,
                            {440.0, 60.0});
        for (const auto& [path, info] : walk(home_))
            ASSERT_EQ(::lchown(path.c_str(), uid_, uid_), 0) << path;
        ASSERT_EQ(::chown(home_.c_str(), uid_, uid_), 0);
        ::chmod(home_.c_str(), 0700);
        port_ = browser::freeport();
        ASSERT_GT(port_, 0);
        // What the machine's owner edits: the remote on loopback only, no desktop media controls.
        std::ofstream(root_ / "etc" / "tunedeck" / "settings.ini", std::ios::app)
            << "\n[cd]\ndevice=none\n[remote]\nenabled=1\nlisten=127.0.0.1\nport=" << port_
            << "\nmpris=0\n";
    }

    // Starts /usr/bin/tunedeck of the root as the user, under `x`.
    Child start(const XServer& x, const std::string& name) {
        const std::string script =
            "mount -t overlay overlay -o \"lowerdir=$1/etc:/etc\" /etc && exec setpriv "
            "--reuid=\"$2\" --regid=\"$2\" --clear-groups \"$1/usr/bin/tunedeck\"";
        return Child({"unshare", "--mount", "--propagation", "private", "--", "sh", "-c", script,
                      "sh", root_.string(), std::to_string(uid_)},
                     {{"HOME", home_.string()},
                      {"XDG_STATE_HOME", ""},
                      {"XDG_RUNTIME_DIR", ""},
                      {"XDG_CACHE_HOME", ""},
                      {"DISPLAY", x.display()},
                      {"SDL_VIDEODRIVER", "x11"},
                      {"SDL_AUDIODRIVER", "disk"},
                      {"SDL_DISKAUDIOFILE", (home_ / "audio.raw").string()}},
                     dir_ / (name + "-out.txt"), dir_ / (name + "-err.txt"));
    }
    std::string errors(const std::string& name) { return readfile(dir_ / (name + "-err.txt")); }
    // The program's own lines on standard error, without the audio driver's notices.
    std::string messages(const std::string& name) {
        std::istringstream lines(errors(name));
        std::string own;
        for (std::string line; std::getline(lines, line);)
            if (line.starts_with("tunedeck:")) own += line + "\n";
        return own;
    }

    httplib::Client client() {
        httplib::Client c("127.0.0.1", port_);
        c.set_connection_timeout(5);
        c.set_read_timeout(5);
        return c;
    }
    // The status of GET /api/state with `token`; 0 while nothing answers.
    int statestatus(const std::string& token) {
        auto reply = client().Get("/api/state", {{"Authorization", "Bearer " + token}});
        return reply ? reply->status : 0;
    }
    // Pairs a phone through the code the television shows; its token ("" on failure).
    std::string pair(const XServer& x) {
        auto c = client();
        auto asked = c.Post("/api/pair", "", "text/plain");
        if (!asked || asked->status != 202) return {};
        const fs::path png = dir_ / "code.png";
        std::string code;
        waituntil(
            [&] {
                code = pairingcode(Screenshot(x, png), png, dir_.path());
                return code.size() == 6;
            },
            15s);
        auto paired =
            c.Post("/api/pair", nlohmann::json{{"code", code}}.dump(), "application/json");
        if (!paired || paired->status != 200) return {};
        return nlohmann::json::parse(paired->body).value("token", "");
    }
    void leave(const XServer& x, Child& program, const std::string& name) {
        runcommand({"xdotool", "key", "x"}, {{"DISPLAY", x.display()}}, 10s);
        EXPECT_EQ(program.wait(30s), std::optional<int>(0)) << errors(name);
    }

    fs::path home_ = dir_ / "home";
    uid_t uid_ = 0;
    int port_ = 0;
};

TEST_F(InstalledPackage, AnOrdinaryUserPlaysMusicAndAPairedPhoneStaysPairedAfterARestart) {
    const auto installed = treestate(root_);
    XServer x(1024, 768);

    Child first = start(x, "first");
    const fs::path sound = home_ / "audio.raw";
    EXPECT_TRUE(waituntil(
        [&] { return fs::exists(sound) && findtone(fixtures::findtones(sound), 440.0, 1.0) >= 0; },
        60s))
        << errors("first");
    ASSERT_TRUE(waituntil([&] { return statestatus("") != 0; }, 30s)) << errors("first");
    const std::string token = pair(x);
    ASSERT_EQ(token.size(), 64u) << errors("first");
    EXPECT_EQ(statestatus(token), 200);
    leave(x, first, "first");

    // Kept in the user's state folder, for the user alone.
    const fs::path state = home_ / ".local" / "state" / "tunedeck";
    struct stat info {};
    ASSERT_EQ(::stat(state.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_EQ(info.st_uid, uid_);
    EXPECT_TRUE(fs::is_regular_file(state / "remote.tokens"));

    Child second = start(x, "second");
    ASSERT_TRUE(waituntil([&] { return statestatus("") != 0; }, 60s)) << errors("second");
    EXPECT_EQ(statestatus(token), 200);
    EXPECT_EQ(statestatus(std::string(64, 'a')), 401);
    leave(x, second, "second");
    EXPECT_EQ(messages("first") + messages("second"), "");

    // Nothing written outside the home: the installed tree is as unpacked, and no file of the
    // user's is anywhere a program may write, but in its home.
    EXPECT_EQ(treestate(root_), installed);
    std::vector<std::string> strays;
    for (const char* top : {"/tmp", "/var/tmp", "/dev/shm"})
        for (const auto& [path, entry] : walk(top, home_))
            if (entry.st_uid == uid_) strays.push_back(path);
    EXPECT_EQ(strays, std::vector<std::string>{});
}

}  // namespace
}  // namespace tunedeck::e2e
