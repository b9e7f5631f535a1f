#include "remote/mpris.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <stdexcept>
#include <string>
#include <vector>

#include "remote/mprisvtable.h"

namespace tunedeck {
namespace {

constexpr const char* kBusName = "org.mpris.MediaPlayer2.tunedeck";

[[noreturn]] void fail(const std::string& what, int rc) {
    throw std::runtime_error(what + ": " + std::strerror(-rc));
}

// Milliseconds until the bus wants attention again (-1: only when a descriptor wakes it).
int bustimeout(sd_bus* bus) {
    uint64_t until = 0;
    if (sd_bus_get_timeout(bus, &until) < 0 || until == UINT64_MAX) return -1;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t nowus = static_cast<uint64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
    return until <= nowus ? 0 : static_cast<int>((until - nowus + 999) / 1000);
}

}  // namespace

MprisService::MprisService(StateHub& hub, const UiEvents& events) : hub_(hub), events_(events) {}

MprisService::~MprisService() noexcept {
    stop();
}

void MprisService::start() {
    sd_bus* bus = nullptr;
    int rc = sd_bus_open_user(&bus);
    // Without an address in the environment the library says "No medium found".
    if (rc == -ENOMEDIUM) throw std::runtime_error("no session bus");
    if (rc < 0) fail("no session bus", rc);
    bus_ = bus;
    try {
        rc = addmprisobjects(bus_, this);
        if (rc < 0) fail("cannot publish the media-control objects", rc);
        rc = sd_bus_request_name(bus_, kBusName, 0);
        if (rc == -EEXIST) throw std::runtime_error(std::string(kBusName) + " is taken");
        if (rc < 0) fail(std::string("cannot own ") + kBusName, rc);
        wake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        if (wake_ < 0) fail("eventfd", -errno);
        told_ = current();
        thread_ = std::thread([this] { run(); });
    } catch (...) {
        stop();
        throw;
    }
}

void MprisService::stop() noexcept {
    stopping_ = true;
    notify();
    if (thread_.joinable()) thread_.join();
    if (bus_ != nullptr) sd_bus_flush_close_unref(bus_);
    bus_ = nullptr;
    if (wake_ >= 0) close(wake_);
    wake_ = -1;
}

void MprisService::notify() noexcept {
    if (wake_ < 0) return;
    const uint64_t one = 1;
    // A full counter already wakes the thread: the result needs no look.
    [[maybe_unused]] const ssize_t written = write(wake_, &one, sizeof one);
}

void MprisService::signalchanges() {
    const RemoteState now = current();
    std::vector<const char*> names;
    if (now.state != told_.state) names.push_back("PlaybackStatus");
    if (now.playing != told_.playing || now.track != told_.track || now.length != told_.length ||
        now.tagtitle != told_.tagtitle || now.tagartist != told_.tagartist ||
        now.tagalbum != told_.tagalbum || now.tracknumber != told_.tracknumber ||
        now.cover != told_.cover)
        names.push_back("Metadata");
    if (now.cannext != told_.cannext) names.push_back("CanGoNext");
    if (now.canprevious != told_.canprevious) names.push_back("CanGoPrevious");
    if (now.canplay != told_.canplay) names.push_back("CanPlay");
    if (now.canpause != told_.canpause) names.push_back("CanPause");
    if (now.volume != told_.volume) names.push_back("Volume");
    if (now.canseek != told_.canseek) names.push_back("CanSeek");
    // A seek the jukebox made says where it landed; the steady advance is never signalled.
    if (now.seeks != told_.seeks)
        sd_bus_emit_signal(bus_, kMprisPath, kPlayerInterface, "Seeked", "x",
                           static_cast<int64_t>(now.position) * 1000000);
    told_ = now;
    if (names.empty()) return;
    names.push_back(nullptr);
    // A signal that cannot be sent is lost; the properties still answer with the truth.
    sd_bus_emit_properties_changed_strv(bus_, kMprisPath, kPlayerInterface,
                                        const_cast<char**>(names.data()));
}

void MprisService::run() noexcept {
    while (!stopping_) {
        int rc;
        while ((rc = sd_bus_process(bus_, nullptr)) > 0) {
        }
        if (rc < 0) {
            std::fprintf(stderr, "tunedeck: the session bus went away: %s\n", std::strerror(-rc));
            return;
        }
        pollfd fds[2] = {{sd_bus_get_fd(bus_), static_cast<short>(sd_bus_get_events(bus_)), 0},
                         {wake_, POLLIN, 0}};
        if (poll(fds, 2, bustimeout(bus_)) < 0 && errno != EINTR) return;
        if ((fds[1].revents & POLLIN) != 0) {
            uint64_t count = 0;
            [[maybe_unused]] const ssize_t got = read(wake_, &count, sizeof count);
            if (!stopping_) signalchanges();
        }
    }
}

}  // namespace tunedeck
