// The desktop media controls under a private session bus (dbus-run-session), driven and read
// with playerctl as a desktop would.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "e2e/harness.h"
#include "remotefixture.h"

extern char** environ;

namespace tunedeck::testing {
namespace {

using namespace std::chrono_literals;

// A session bus of its own: dbus-run-session runs a shell that prints the bus address and then
// waits for its input to close; closing it ends the shell and, with it, the bus.
class SessionBus {
  public:
    SessionBus() {
        int in[2], out[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        const char* argv[] = {"dbus-run-session",
                              "--",
                              "sh",
                              "-c",
                              "echo \"$DBUS_SESSION_BUS_ADDRESS\"; exec cat >/dev/null",
                              nullptr};
        const int rc =
            posix_spawnp(&pid_, argv[0], &actions, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        input_ = in[1];
        if (rc != 0) throw std::runtime_error("cannot start dbus-run-session");
        pollfd p{out[0], POLLIN, 0};
        char c;
        while (poll(&p, 1, 10000) > 0 && read(out[0], &c, 1) == 1 && c != '\n') address_ += c;
        close(out[0]);
    }
    ~SessionBus() {
        close(input_);
        waitpid(pid_, nullptr, 0);
    }
    const std::string& address() const { return address_; }

  private:
    pid_t pid_ = -1;
    int input_ = -1;
    std::string address_;
};

// The environment variable set for the test's lifetime, as it was afterwards.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

std::string playerctl(const RemoteJukebox& box, const std::string& command) {
    const fs::path out = box.folder() / "playerctl.txt";
    e2e::Child child({"playerctl", "-p", "tunedeck", command}, {}, out, "/dev/null");
    if (child.wait(10s).value_or(-1) != 0) return "failed";
    std::ifstream in(out);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// True when playerctl's metadata listing has the key with exactly this value.
bool hasentry(const std::string& metadata, const std::string& key, const std::string& value) {
    return std::regex_search(metadata, std::regex("tunedeck " + key + " +'?" + value + "'?\n"));
}

TEST(Mpris, PlayerctlDrivesAndReadsTheJukebox) {
    SessionBus bus;
    ASSERT_FALSE(bus.address().empty());
    ScopedEnv env("DBUS_SESSION_BUS_ADDRESS", bus.address());
    RemoteJukebox box(4.0, "mpris=1\nenabled=0");
    ASSERT_TRUE(box.app().remote()->mprisrunning());
    ASSERT_TRUE(box.rununtil([&] { return box.state().state == "playing"; }));

    EXPECT_EQ(playerctl(box, "status"), "Playing\n");
    const std::string metadata = playerctl(box, "metadata");
    EXPECT_TRUE(hasentry(metadata, "xesam:title", "01")) << metadata;
    EXPECT_TRUE(hasentry(metadata, "mpris:length", "4000000")) << metadata;
    EXPECT_TRUE(hasentry(metadata, "mpris:trackid", "/org/tunedeck/track/0")) << metadata;

    EXPECT_EQ(playerctl(box, "next"), "");
    EXPECT_TRUE(box.rununtil([&] { return box.state().playing == "02"; }));
    EXPECT_TRUE(hasentry(playerctl(box, "metadata"), "xesam:title", "02"));

    playerctl(box, "play-pause");
    EXPECT_TRUE(box.rununtil([&] { return box.state().state == "paused"; }));
    EXPECT_EQ(playerctl(box, "status"), "Paused\n");
    playerctl(box, "pause");  // already paused: no key
    playerctl(box, "play");
    EXPECT_TRUE(box.rununtil([&] { return box.state().state == "playing"; }));
    playerctl(box, "play");  // already playing: no key, so it does not pause
    box.rununtil([] { return false; }, 0.5);
    EXPECT_EQ(box.state().state, "playing");
}

}  // namespace
}  // namespace tunedeck::testing
