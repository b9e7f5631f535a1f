// Resume against the hardest stop there is: the jukebox killed with SIGKILL at random moments
// while it plays and its queue is edited, over and over. Each next start must succeed and bring
// back a state that was really current at most 10 s before the kill.
//
// The parent test runs the jukebox in child processes (this test binary again, running only
// ResumeKill.Child), each on the same folder. A child logs every state it is in after each
// step, and every state just before it is written, with the monotonic clock; the parent reads
// the saved file after each kill and holds it against that log. No step waits on the clock
// for its verdict: a slow machine only makes the run longer.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <thread>

#include "app/savedstate.h"
#include "harness.h"

namespace tunedeck::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kChildFolder = "TUNEDECK_KILL_FOLDER";
constexpr const char* kChildSeed = "TUNEDECK_KILL_SEED";
constexpr int kKills = 200;
constexpr int64_t kFreshMs = 10'000;

int64_t nowms() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<int64_t>(t.tv_sec) * 1000 + t.tv_nsec / 1'000'000;
}

// One log record: 'S' started, 'C' the state after a step, 'W' a state about to be written.
struct Record {
    int64_t ms = 0;
    char kind = 0;
    SavedState state;
};

void logrecord(int fd, char kind, const SavedState& state) {
    const std::string text = formatstate(state);
    const std::string record = "R " + std::to_string(nowms()) + " " + kind + " " +
                               std::to_string(text.size()) + "\n" + text;
    // One write: a kill leaves a whole record or a cut last one, which the reader drops.
    if (::write(fd, record.data(), record.size()) < 0) std::_Exit(4);
}

std::vector<Record> readlog(const fs::path& file) {
    std::ostringstream buffer;
    buffer << std::ifstream(file, std::ios::binary).rdbuf();
    const std::string text = buffer.str();
    std::vector<Record> records;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        if (end == std::string::npos) break;
        Record r;
        char kind = 0;
        std::size_t size = 0;
        long long ms = 0;
        if (std::sscanf(text.substr(at, end - at).c_str(), "R %lld %c %zu", &ms, &kind, &size) !=
                3 ||
            end + 1 + size > text.size())
            break;
        auto state = parsestate(text.substr(end + 1, size));
        if (const std::string* why = std::get_if<std::string>(&state)) {
            ADD_FAILURE() << "a state the jukebox had cannot be read back: " << *why << "\n"
                          << text.substr(end + 1, size);
        } else {
            records.push_back({ms, kind, std::get<SavedState>(std::move(state))});
        }
        at = end + 1 + size;
    }
    return records;
}

// What a start brings back of a saved state: all of it, its position within a second (the
// page and row of the list are clamped to the listing, so they are left out).
bool restoredfrom(const SavedState& restored, const SavedState& saved) {
    return restored.queue == saved.queue && restored.entry == saved.entry &&
           restored.takenout == saved.takenout && restored.play == saved.play &&
           restored.folder == saved.folder && restored.letter == saved.letter &&
           std::llabs(restored.seconds - saved.seconds) <= 1;
}

// The child: the jukebox on the parent's folder, driven by random keys and seeks from the
// seed, logging as described above, until it is killed.
TEST(ResumeKill, Child) {
    const char* folder = std::getenv(kChildFolder);
    if (folder == nullptr) GTEST_SKIP() << "run by ResumeKill.RandomKillsNeverLoseTheState";
    std::mt19937 random(static_cast<unsigned>(std::atoi(std::getenv(kChildSeed))));
    const int log =
        ::open((fs::path(folder) / ("log" + std::string(std::getenv(kChildSeed)))).c_str(),
               O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(log, 0);
    RecordingBoxes boxes;
    AppOptions options{folder, true, 1024, 768, &boxes};
    options.onsavestate = [log](const SavedState& state) { logrecord(log, 'W', state); };
    options.statefolder = folder;
    Application app(options);
    if (!app.Form_Load()) std::_Exit(3);
    logrecord(log, 'S', app.currentstate(true));
    const SDL_Keycode keys[] = {SDLK_n,     SDLK_p,      SDLK_l,    SDLK_s,    SDLK_RIGHT,
                                SDLK_RIGHT, SDLK_RETURN, SDLK_LEFT, SDLK_SPACE};
    const auto limit = std::chrono::steady_clock::now() + 120s;
    while (std::chrono::steady_clock::now() < limit) {
        const int step = static_cast<int>(random() % 16);
        if (step < 9) {
            app.browse().row = 1 + static_cast<int>(random() % 6);
            SDL_Event event{};
            event.type = SDL_KEYDOWN;
            event.key.keysym.sym = keys[step];
            SDL_PushEvent(&event);
            app.pump();
        } else if (step < 11) {
            const QWORD length = BASS_StreamGetLength(app.bass(), app.queue().stream);
            if (length != static_cast<QWORD>(-1) && length > 0)
                BASS_ChannelSetPosition(app.bass(), app.queue().stream, random() % length,
                                        BASS_POS_BYTE);
            app.pump();
        } else {
            app.waitfor(static_cast<int>(random() % 60));
        }
        logrecord(log, 'C', app.currentstate(true));
    }
    std::_Exit(5);  // never killed: the parent went away
}

class KillLoop {
  public:
    KillLoop() {
        for (const char* name : {"a", "b", "c", "d"})
            tone(dir_ / "music" / (std::string(name) + ".mp3"));
        for (const char* name : {"e", "f"})
            tone(dir_ / "music" / "sub" / (std::string(name) + ".wav"));
        std::ofstream(dir_ / "settings.ini")
            << "[display]\nshowletters=0\n[system]\nresume=1\npath=" << (dir_ / "music").string()
            << "\n[cd]\ndevice=none\n";
    }
    fs::path statefile() const { return dir_ / "resume.state"; }
    fs::path logfile(int child) const { return dir_ / ("log" + std::to_string(child)); }

    // Starts a child; it is running once its start record is in the log.
    pid_t spawn(int seed) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            setenv(kChildFolder, dir_.path().c_str(), 1);
            setenv(kChildSeed, std::to_string(seed).c_str(), 1);
            setenv("SDL_AUDIODRIVER", "disk", 1);
            setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
            unsetenv("SDL_DISKAUDIODELAY");
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            ::dup2(null, 2);
            const char* argv[] = {"/proc/self/exe", "--gtest_filter=ResumeKill.Child", nullptr};
            ::execv("/proc/self/exe", const_cast<char* const*>(argv));
            std::_Exit(6);
        }
        return pid;
    }

  private:
    static void tone(const fs::path& file) {
        fs::create_directories(file.parent_path());
        fx::writetone(file,
                      file.extension() == ".wav" ? fx::AudioFormat::Wav : fx::AudioFormat::Mp3,
                      {440, 6.0});
    }
    fx::TempDir dir_;
};

// The start record of the log's newest child, waiting while the child runs; false when it
// ended without one (a start that failed) or after a very generous minute.
bool waitstarted(const fs::path& log, pid_t pid, std::string& why) {
    const auto limit = std::chrono::steady_clock::now() + 60s;
    while (std::chrono::steady_clock::now() < limit) {
        for (const Record& record : readlog(log))
            if (record.kind == 'S') return true;
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            why = "the jukebox ended at start-up, status " + std::to_string(status);
            return false;
        }
        std::this_thread::sleep_for(5ms);
    }
    why = "no start within a minute";
    return false;
}

TEST(ResumeKill, RandomKillsNeverLoseTheStateAndNeverStopTheNextStart) {
    if (std::getenv(kChildFolder) != nullptr) GTEST_SKIP();
    KillLoop loop;
    std::mt19937 random(20261207);
    std::optional<SavedState> saved;  // read after the last kill
    std::vector<Record> earlier;      // records of the children before, the last 10 s of them
    int kills = 0, compared = 0, duringstart = 0;
    for (int i = 0; i < kKills; ++i) {
        const pid_t child = loop.spawn(i);
        ASSERT_GT(child, 0);
        // A failed assertion below leaves no jukebox running.
        const std::unique_ptr<const pid_t, void (*)(const pid_t*)> reaper(
            &child, [](const pid_t* p) {
                if (::kill(*p, SIGKILL) == 0) ::waitpid(*p, nullptr, 0);
            });
        // One kill in five lands during start-up, before the child has said it runs.
        const bool early = random() % 5 == 0;
        if (early) {
            std::this_thread::sleep_for(std::chrono::milliseconds(random() % 100));
            ++duringstart;
        } else {
            std::string why;
            ASSERT_TRUE(waitstarted(loop.logfile(i), child, why)) << why << ", kill " << i;
            std::this_thread::sleep_for(std::chrono::milliseconds(random() % 120));
        }
        const int64_t killedat = nowms();
        ASSERT_EQ(::kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);  // the reaper's kill then finds none
        ASSERT_TRUE(WIFSIGNALED(status)) << "the jukebox ended by itself, status " << status;
        ++kills;
        const auto records = readlog(loop.logfile(i));
        fs::remove(loop.logfile(i));
        // The first state this child wrote is the one it restored: the state saved before it.
        if (saved && (!saved->queue.empty() || saved->takenout)) {
            const auto first = std::find_if(records.begin(), records.end(),
                                            [](const Record& r) { return r.kind == 'W'; });
            if (first != records.end()) {
                EXPECT_TRUE(restoredfrom(first->state, *saved))
                    << "kill " << i << " restored\n"
                    << formatstate(first->state) << "from\n"
                    << formatstate(*saved);
                ++compared;
            }
        }
        std::erase_if(earlier, [&](const Record& r) { return r.ms < killedat - kFreshMs; });
        earlier.insert(earlier.end(), records.begin(), records.end());
        auto read = readstate(loop.statefile());
        if (!read) continue;  // nothing written yet
        ASSERT_TRUE(std::holds_alternative<SavedState>(*read))
            << "kill " << i << ": " << std::get<std::string>(*read);
        SavedState now = std::get<SavedState>(std::move(*read));
        // Which of the two queue files held the queue, and the copy of the rows around the
        // entry kept beside it, are no part of the state itself.
        now.queuefile.reset();
        now.around.clear();
        now.aroundfirst = 0;
        // A child killed before it wrote anything was still bringing back the state before:
        // that state was current until the kill.
        const bool wrote = std::any_of(records.begin(), records.end(),
                                       [](const Record& r) { return r.kind == 'W'; });
        const bool restoring = !wrote && saved && now == *saved;
        const bool fresh = std::any_of(earlier.begin(), earlier.end(), [&](const Record& r) {
            return r.kind != 'S' && r.ms >= killedat - kFreshMs && r.state == now;
        });
        EXPECT_TRUE(fresh || restoring)
            << "kill " << i << ": the saved state was not current within 10 s (wrote " << wrote
            << ", records " << records.size() << ")\n"
            << formatstate(now) << "before:\n"
            << (saved ? formatstate(*saved) : "none") << "last written:\n"
            << [&] {
                   std::string last;
                   for (const Record& r : records)
                       if (r.kind == 'W')
                           last = std::to_string(killedat - r.ms) + " ms before\n" +
                                  formatstate(r.state);
                   return last;
               }();
        saved = std::move(now);
    }
    EXPECT_EQ(kills, kKills);
    EXPECT_GE(compared, kKills / 2);
    RecordProperty("kills", kills);
    RecordProperty("restores_compared", compared);
    RecordProperty("kills_during_startup", duringstart);
    std::cout << "kills " << kills << ", restores compared " << compared << ", during start-up "
              << duringstart << "\n";
}

}  // namespace
}  // namespace tunedeck::testing
