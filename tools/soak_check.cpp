#include "tools/soak_check.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace tunedeck::soak {

long residentkb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

int opendescriptors() {
    std::error_code ec;
    int count = 0;
    for (std::filesystem::directory_iterator it("/proc/self/fd", ec), end; !ec && it != end;
         it.increment(ec))
        ++count;
    return count - 1;  // the iterator's own descriptor
}

void Verdict::fail(const std::string& why) {
    if (failures_.size() < 20) failures_.push_back(why);
}

void Verdict::checkflat() {
    // Minute 2 is the baseline: by then every file of the library has been opened once.
    if (samples_.size() < 4) {
        fail("too few samples to judge memory and descriptors");
        return;
    }
    const Sample& base = samples_[2];
    const Sample& last = samples_.back();
    if (last.rsskb > base.rsskb + base.rsskb / 10)
        fail("resident memory grew from " + std::to_string(base.rsskb) + " kB to " +
             std::to_string(last.rsskb) + " kB");
    if (last.fds > base.fds + 3)
        fail("open descriptors grew from " + std::to_string(base.fds) + " to " +
             std::to_string(last.fds));
}

int Verdict::report(const AudioTap& tap) {
    std::printf("%6s %10s %10s %10s %5s %7s\n", "minute", "output s", "sound s", "VmRSS kB", "fds",
                "ends");
    for (const Sample& s : samples_)
        std::printf("%6d %10.1f %10.1f %10ld %5d %7ld\n", s.minute, s.output, s.sounding, s.rsskb,
                    s.fds, s.ends);
    checkflat();
    if (ends != advances)
        fail(std::to_string(ends) + " ends of stream but " + std::to_string(advances) +
             " queue advances");
    std::printf("keys %ld, ends of stream %ld, queue advances %ld, output %.1f s, sound %.1f s\n",
                keys, ends, advances, tap.outputseconds(), tap.soundingseconds());
    for (const std::string& f : failures_) std::printf("FAIL: %s\n", f.c_str());
    std::printf("verdict: %s\n", failures_.empty() ? "PASS" : "FAIL");
    return failures_.empty() ? 0 : 1;
}

void Driver::loop(double sounding, const std::function<void()>& key) {
    double nextsecond = 1;
    int minute = 0;
    sample(minute);
    while (tap_.soundingseconds() < sounding) {
        if (app_.ended()) {
            verdict_.fail("the application ended");
            return;
        }
        if (tap_.outputseconds() > 3 * sounding + 600) {
            verdict_.fail("too little of the output carried sound");
            break;
        }
        SDL_Event event;
        if (SDL_WaitEventTimeout(&event, 2) != 0) handle(event);
        while (!app_.ended() && SDL_PollEvent(&event) != 0) handle(event);
        while (tap_.outputseconds() >= nextsecond && !app_.ended()) {
            key();
            ++verdict_.keys;
            app_.Timer1_Timer();
            watchstream();
            nextsecond += 1;
        }
        if (tap_.outputseconds() >= 60.0 * (minute + 1)) sample(++minute);
        if (!app_.ended()) app_.screen().render();
    }
    sample(minute + 1);
}

// One event at a time, so that each end of a stream is matched with what it did to the queue:
// the next entry when there is one, otherwise row 0; and nothing at all without an end.
void Driver::handle(const SDL_Event& event) {
    const PlayQueue& q = app_.queue();
    const int pos = q.playlistpos;
    const int count = q.playlistcount;
    const long before = ends_;
    app_.handleevent(event);
    const long ended = ends_ - before;
    verdict_.ends += ended;
    if (ended == 0 && q.playlistpos != pos)
        verdict_.fail("the queue moved from " + std::to_string(pos) + " to " +
                      std::to_string(q.playlistpos) + " without an end of stream");
    if (ended == 1) {
        const int expected = pos + 1 < count ? pos + 1 : 0;
        if (q.playlistpos == expected && q.playlistcount == count)
            ++verdict_.advances;
        else
            verdict_.fail("an end of stream at " + std::to_string(pos) + " of " +
                          std::to_string(count) + " moved the queue to " +
                          std::to_string(q.playlistpos));
    }
    if (ended > 1) verdict_.fail("one event ended " + std::to_string(ended) + " streams");
    watchstream();
}

// Our own end notification on each new stream, beside the application's.
void Driver::watchstream() {
    const DWORD stream = app_.queue().stream;
    if (stream == 0 || stream == watched_) return;
    watched_ = stream;
    BASS_ChannelSetSync(
        app_.bass(), stream, BASS_SYNC_END, 0, [this](HSYNC, DWORD, DWORD, DWORD) { ++ends_; }, 0);
}

void Driver::sample(int minute) {
    Sample s{minute,       tap_.outputseconds(), tap_.soundingseconds(),
             residentkb(), opendescriptors(),    verdict_.ends};
    std::printf("minute %d: output %.1f s, sound %.1f s, VmRSS %ld kB, %d fds, %ld ends\n",
                s.minute, s.output, s.sounding, s.rsskb, s.fds, s.ends);
    std::fflush(stdout);
    verdict_.add(s);
}

}  // namespace tunedeck::soak
