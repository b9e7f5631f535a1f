// Hostile folder trees and files: entries that vanish during the walk, names that lead nowhere,
// special files and damaged or oversized music and cover files; and thousands of random key
// presses (fixed seeds) in both modes, the browsing and queue invariants checked after each;
// files that change or vanish under the player, and an audio device or disc image that fails.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <random>

#include "browse/scan.h"
#include "commands/keycodes.h"
#include "harness.h"
#include "platform/audio/format.h"
#include "testenv.h"

namespace tunedeck::faults {
namespace {

// A tree a/x.mp3, b/x.mp3, c/x.mp3 walked by the scan; after folder a, `damage` runs (from the
// scan's first attempt to start playback, which fails so that every folder gets one).
std::vector<std::string> scanwith(const std::function<void(const fs::path& root)>& damage) {
    fx::TempDir dir;
    for (const char* sub : {"a", "b", "c"}) {
        fs::create_directories(dir / sub);
        std::ofstream(dir / sub / "x.mp3") << "x";
    }
    FolderLists folders;
    PlayQueue queue;
    int attempts = 0;
    ScanPlayer player{[] { return false; },
                      [&](const std::string&) {
                          if (attempts++ == 0) damage(dir.path());
                          return true;
                      }};
    scanfolders(folders, queue, dir.path().string(), NameOptions{}, ScanFormats("mp3"), player);
    EXPECT_EQ(folders.Dirs().path(), dir.path().string());
    std::vector<std::string> queued;
    for (int i = 0; i < queue.playlistcount; ++i)
        queued.push_back(fs::relative(queue.playlist[std::size_t(i)].path, dir.path()).string());
    return queued;
}

TEST(ScanDamage, AFolderOrTheRootGoneOrReplacedBeforeItsTurnIsSkipped) {
    const std::vector<std::string> ac = {"a/x.mp3", "c/x.mp3"};
    EXPECT_EQ(scanwith([](const fs::path& root) { fs::remove_all(root / "b"); }), ac);
    EXPECT_EQ(scanwith([](const fs::path& root) {
                  fs::remove_all(root / "b");
                  std::ofstream(root / "b") << "now a file";
              }),
              ac);
    EXPECT_EQ(scanwith([](const fs::path& root) {
                  fs::remove_all(root / "b");
                  fs::create_symlink(root / "nowhere", root / "b");
              }),
              ac);
    const std::vector<std::string> a = {"a/x.mp3"};
    EXPECT_EQ(scanwith([](const fs::path& root) {
                  fs::remove_all(root / "b");
                  fs::remove_all(root / "c");
              }),
              a);
    // The root itself moved away during the walk (into a folder that cleans it up) ends it quietly.
    fx::TempDir holder;
    EXPECT_EQ(scanwith([&](const fs::path& root) { fs::rename(root, holder / "moved"); }), a);
}

// Entries that fail for root too: names leading nowhere, a loop, a file where a folder is
// expected, and a folder where a file is expected.
TEST(HostileTree, EntriesThatLeadNowhereAreLeftOutAndTheRestPlays) {
    Harness j;
    j.tone("a/ok.mp3");
    j.tone("z.mp3", 0.3, 660);
    fs::create_symlink(j.root() / "gone.mp3", j.root() / "dangling.mp3");
    fs::create_symlink(j.root() / "gone", j.root() / "m dangling folder");
    fs::create_directory_symlink(j.root(), j.root() / "a" / "loop");
    fs::create_directories(j.root() / "folder.mp3");
    std::ofstream(j.root() / "notafolder") << "x";
    j.writesettings("none");
    Application& app = j.start();
    ASSERT_TRUE(j.loaded) << app.endreason();
    ASSERT_EQ(app.queue().playlistcount, 2);
    EXPECT_EQ(app.queue().playlist[0].path, (j.root() / "a/ok.mp3").string());
    EXPECT_EQ(app.queue().playlist[1].path, (j.root() / "z.mp3").string());
    // Open every entry of the root listing and come back.
    const int count = app.browse().itemcount();
    for (int i = 0; i < count; ++i) {
        j.key(kKeyEnter);
        j.key(kKeyLeft);
        EXPECT_EQ(checkstate(app), "");
        j.key(kKeyDown);
    }
    EXPECT_FALSE(app.ended());
}

void makesocket(const fs::path& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.string().size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, path.c_str());
    EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);  // the name stays in the folder
}

// A WAV whose header says its data never ends, as a recorder that was cut off writes it.
void writeendlesswav(const fs::path& file) {
    fx::writetone(file, fx::AudioFormat::Wav, {440, 0.5});
    std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
    std::string head(64, '\0');
    f.read(head.data(), 64);
    const auto data = head.find("data");
    ASSERT_NE(data, std::string::npos);
    const char endless[4] = {'\xff', '\xff', '\xff', '\xff'};
    f.seekp(4);
    f.write(endless, 4);
    f.seekp(static_cast<std::streamoff>(data + 4));
    f.write(endless, 4);
}

TEST(HostileFiles, SpecialEmptySparseAndEndlessFilesNeverStopTheJukebox) {
    // At the output's real pace, and long: the good file must still play when the queue is
    // looked at, however slow the start-up was, not have played out and let the queue wrap.
    Harness j(true);
    const fs::path r = j.root();
    ASSERT_EQ(::mkfifo((r / "fifo.mp3").c_str(), 0644), 0);
    makesocket(r / "sock.mp3");
    std::ofstream(r / "empty.mp3").flush();
    std::ofstream(r / "one.mp3") << '\xff';
    std::ofstream(r / "huge.mp3").flush();
    fs::resize_file(r / "huge.mp3", 2ULL << 30);  // sparse: no disk space taken
    writeendlesswav(r / "endless.wav");
    j.tone("good.mp3", 20, 660);
    j.writesettings("none");
    Application& app = j.start();
    ASSERT_TRUE(j.loaded) << app.endreason();
    // Only regular files are listed and queued: empty, good, huge, one.
    EXPECT_EQ(app.browse().itemcount(), 5);
    ASSERT_EQ(app.queue().playlistcount, 4);
    EXPECT_EQ(app.queue().playlistpos, 1);  // the empty file could not start
    // Play each listed file by hand; only the good one and the endless WAV start.
    int started = 0;
    for (int i = 0; i < app.browse().itemcount(); ++i) {
        j.key(kKeyS);
        const std::string name = app.browse().items.at(i + 1).target;
        j.app->browse().row = i + 1;
        j.key(kKeyL);
        j.app->Timer1_Timer();
        if (j.active() == BASS_ACTIVE_PLAYING) {
            ++started;
            EXPECT_TRUE(name.ends_with("good.mp3") || name.ends_with("endless.wav")) << name;
        }
        EXPECT_EQ(checkstate(app), "") << name;
    }
    EXPECT_GE(started, 1);
    // The endless WAV plays what it holds and ends like any other file.
    j.app->browse().row = 2;
    ASSERT_EQ(app.browse().items.at(2).target, (r / "endless.wav").string());
    j.key(kKeyS);
    j.key(kKeyL);
    EXPECT_TRUE(j.waituntil([&] { return j.active() == BASS_ACTIVE_STOPPED; }, 10));
}

// A picture of 16x16 pixels whose header declares declared x declared.
void writelyingpicture(const fs::path& file, fx::PictureFormat format, int declared) {
    fx::writepicture(file, format, 16, 16, {9, 9, 9});
    std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(f)), {});
    const bool jpeg = format == fx::PictureFormat::Jpeg;
    const auto at = jpeg ? bytes.find("\xff\xc0") + 5 : bytes.find("IHDR") + 4;
    ASSERT_LT(at, bytes.size());
    const char d[2] = {char(declared >> 8), char(declared & 0xff)};
    const std::string size =
        jpeg ? std::string(d, 2) + std::string(d, 2)
             : std::string(2, '\0') + std::string(d, 2) + std::string(2, '\0') + std::string(d, 2);
    f.clear();
    f.seekp(static_cast<std::streamoff>(at));
    f.write(size.data(), static_cast<std::streamsize>(size.size()));
}

TEST(HostileCovers, BrokenOrOversizedCoversAreNotShown) {
    Harness j;
    const fs::path r = j.root();
    for (const char* album : {"1 png", "2 cut", "3 empty", "4 folder", "5 huge", "6 good"})
        j.tone(fs::path(album) / "t.mp3");
    writelyingpicture(r / "1 png/cover.png", fx::PictureFormat::Png, 9000);
    fx::writepicture(r / "6 good/cover.jpg", fx::PictureFormat::Jpeg, 40, 40, {1, 2, 3});
    fx::writetruncated(r / "6 good/cover.jpg", r / "2 cut/cover.jpg", 300);
    std::ofstream(r / "3 empty/cover.jpg").flush();
    fs::create_directories(r / "4 folder/cover.jpg");
    writelyingpicture(r / "5 huge/cover.jpg", fx::PictureFormat::Jpeg, 65500);
    j.writesettings("none");
    Application& app = j.start();
    ASSERT_TRUE(j.loaded) << app.endreason();
    for (int i = 1; i <= 6; ++i) {
        app.browse().row = i;
        j.key(kKeyEnter);
        ASSERT_EQ(app.browse().depth, 1) << i;
        const bool shown = app.form().imgCover.visible && app.form().imgCover.picture != nullptr;
        EXPECT_EQ(shown, i == 6) << app.form().lblTitle.caption;
        j.key(kKeyLeft);
    }
}

constexpr int kPresses = 10000;

// Mostly the keys the handler acts on, sometimes any other code; never the two exit keys.
int16_t randomkey(std::mt19937& random) {
    static constexpr int16_t kKeys[] = {kKeyEnter, kKeySpace, kKeyLeft,  kKeyUp, kKeyRight,
                                        kKeyDown,  kKeyA,     kKeyC,     kKeyD,  kKeyE,
                                        kKeyL,     kKeyN,     kKeyP,     kKeyS,  kKeyU,
                                        kKeyZ,     kKeyDown,  kKeyRight, kKeyD,  kKeyEnter};
    std::uniform_int_distribution<int> choice(0, 9);
    if (choice(random) == 0) {
        std::uniform_int_distribution<int> any(0, 255);
        int16_t code = kKeyX;
        while (code == kKeyX || code == kKeyEscape) code = static_cast<int16_t>(any(random));
        return code;
    }
    std::uniform_int_distribution<std::size_t> pick(0, std::size(kKeys) - 1);
    return kKeys[pick(random)];
}

// Presses keys, checking after each; events (ends of streams) and the tick run now and then.
void presskeys(Harness& j, uint32_t seed, int presses) {
    std::mt19937 random(seed);
    for (int i = 0; i < presses; ++i) {
        const int16_t key = randomkey(random);
        j.app->keydown(key);
        ASSERT_FALSE(j.app->ended()) << "key " << key << " at press " << i;
        const std::string wrong = checkstate(*j.app);
        ASSERT_EQ(wrong, "") << "key " << key << " at press " << i;
        if (i % 64 == 0) j.app->pump();
        if (i % 256 == 0) j.app->Timer1_Timer();
    }
}

// `entries` entries in the root: MP3 files, with every eighth a folder holding one and every
// sixteenth a playlist, all copies of one short tone.
void filltree(Harness& j, int entries) {
    const fs::path tone = j.dir / "tone.mp3";
    fx::writetone(tone, fx::AudioFormat::Mp3, {440, 0.2});
    for (int i = 0; i < entries; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "%c%04d", 'a' + i % 26, i);
        if (i % 16 == 15) {
            std::ofstream(j.root() / (std::string(name) + ".m3u")) << "a0000.mp3\nmissing.mp3\n";
        } else if (i % 8 == 7) {
            fs::create_directories(j.root() / name);
            fs::copy_file(tone, j.root() / name / "inner.mp3");
        } else {
            fs::copy_file(tone, j.root() / (std::string(name) + ".mp3"));
        }
    }
}

class FileModeKeys : public ::testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(FileModeKeys, StateStaysConsistent) {
    const auto [entries, letters] = GetParam();
    Harness j;
    filltree(j, entries);
    j.writesettings("none", letters ? "showletters=1" : "showletters=0");
    j.start();
    ASSERT_TRUE(j.loaded) << j.app->endreason();
    EXPECT_EQ(checkstate(*j.app), "");
    presskeys(j, static_cast<uint32_t>(entries * 2 + letters), kPresses);
}

INSTANTIATE_TEST_SUITE_P(Trees, FileModeKeys,
                         ::testing::Values(std::tuple{1, true}, std::tuple{11, true},
                                           std::tuple{12, false}, std::tuple{2500, false},
                                           std::tuple{2500, true}));

class CdModeKeys : public ::testing::TestWithParam<int> {};

TEST_P(CdModeKeys, StateStaysConsistent) {
    Harness j;
    j.disc(GetParam(), 0.5);
    j.start();
    ASSERT_TRUE(j.loaded) << j.app->endreason();
    ASSERT_EQ(j.app->mode().mediamode, Mode::Cd);
    presskeys(j, static_cast<uint32_t>(GetParam()), kPresses);
}

INSTANTIATE_TEST_SUITE_P(Discs, CdModeKeys, ::testing::Values(2, 11, 12, 40));

// Through SDL's event queue, as the remote's keys come; once ended, no key acts any more.
TEST(ExitKeys, EachEndsTheProgramInEachModeWithStatus0) {
    for (const SDL_Keycode key : {SDLK_x, SDLK_ESCAPE}) {
        for (const bool cd : {false, true}) {
            Harness j;
            j.tone("a.mp3");
            j.tone("b.mp3");
            cd ? j.disc(2, 0.5) : j.writesettings("none");
            j.start();
            ASSERT_TRUE(j.loaded);
            j.press(SDLK_DOWN);
            ASSERT_EQ(j.app->browse().row, 2);
            j.press(key);
            EXPECT_TRUE(j.app->ended());
            EXPECT_EQ(j.app->exitstatus(), 0);
            j.press(SDLK_UP);
            EXPECT_EQ(j.app->browse().row, 2);
        }
    }
}

bool heardfrequency(const std::vector<fx::ToneSegment>& tones, double frequency) {
    for (const fx::ToneSegment& t : tones)
        if (std::abs(t.frequency - frequency) < frequency * 0.03) return true;
    return false;
}

bool hearduntil(Harness& j, double frequency) {
    return j.waituntil([&] { return heardfrequency(j.heard(), frequency); }, 5);
}

// Real time, so that the files are still playing when they are damaged.
class QueueOfThree : public ::testing::Test {
  protected:
    void start(double seconds) {
        j.tone("a.mp3", seconds, 440);
        j.tone("b.mp3", seconds, 660);
        j.tone("c.mp3", seconds, 880);
        j.writesettings("none");
        j.start();
        ASSERT_TRUE(j.loaded) << j.app->endreason();
        ASSERT_EQ(j.app->queue().playlistcount, 3);
    }
    // The queue ran out: stopped, back at row 0.
    bool finished() { return j.active() == BASS_ACTIVE_STOPPED && j.app->queue().playlistpos == 0; }
    Harness j{true};
};

// The file playing deleted plays to its end; the next one, deleted before its turn, is skipped.
TEST_F(QueueOfThree, APlayingFileDeletedPlaysToItsEndAndQueuedOnesDeletedAreSkipped) {
    // Longer than the output buffer, so the next file is not opened before it is deleted.
    start(2.0);
    fs::remove(j.root() / "a.mp3");
    fs::remove(j.root() / "b.mp3");
    ASSERT_TRUE(j.waituntil([&] { return j.app->queue().playlistpos == 2; }));
    EXPECT_EQ(j.app->queue().playlist[2].path, (j.root() / "c.mp3").string());
    ASSERT_TRUE(j.waituntil([&] { return finished(); }));
    ASSERT_TRUE(hearduntil(j, 880));  // the last file's buffered tail plays out
    const auto tones = j.heard();
    ASSERT_EQ(tones.size(), 2U);
    EXPECT_NEAR(tones[0].frequency, 440, 15);
    EXPECT_NEAR(tones[0].seconds, 2.0, 0.05);
    EXPECT_NEAR(tones[1].frequency, 880, 25);
    EXPECT_EQ(j.app->queue().playlistcount, 3);  // the queue keeps its entries
}

// The entry playing taken out goes on playing under its own name, and the queue goes on with
// the entry that followed it; taken out as the last entry, the queue ends with it.
TEST_F(QueueOfThree, TakingOutThePlayingEntryKeepsItNamedAndSkipsNothing) {
    start(1.5);
    j.key(kKeyN);  // b plays
    j.app->browse().row = 2;
    j.key(kKeyRight);  // take b out
    ASSERT_EQ(j.app->queue().playlistcount, 2);
    ASSERT_EQ(j.active(), BASS_ACTIVE_PLAYING);
    j.app->Timer1_Timer();
    EXPECT_EQ(j.app->form().lblTrack.caption, "b");
    EXPECT_EQ(j.app->form().lblPlaylist.caption, "Playlist Item 1 of 2 (Next: c)");
    ASSERT_TRUE(j.waituntil([&] { return j.app->queue().playlistpos == 1; }));
    j.app->browse().row = 3;
    j.key(kKeyRight);  // take c out as it plays: nothing follows
    j.app->Timer1_Timer();
    EXPECT_EQ(j.app->form().lblTrack.caption, "c");
    EXPECT_EQ(j.app->form().lblPlaylist.caption,
              "Playlist Item 1 of 1 (Next: Nothing. Playlist Completed. Playback will Stop.)");
    ASSERT_TRUE(j.waituntil([&] { return finished(); }));
    j.waituntil([] { return false; }, 0.7);  // c's buffered tail plays out
    const auto tones = j.heard();
    ASSERT_GE(tones.size(), 2U);  // a, cut at once, may be too short to tell
    for (std::size_t i = 0; i < 2; ++i) {
        const fx::ToneSegment& t = tones[tones.size() - 2 + i];
        EXPECT_NEAR(t.frequency, i == 0 ? 660 : 880, 25);
        EXPECT_NEAR(t.seconds, 1.5, 0.05);
    }
}

// In the last half second the file is decoded to its end and its tail buffered. The waits for
// it pump no events, so that the keys come before the queue moves on by itself.
TEST_F(QueueOfThree, StopInTheLastHalfSecondSilencesAtOnceAndLeavesNoTailBeforeTheNext) {
    start(1.5);
    const auto waitlastpart = [&] {
        AudioLibrary& bass = j.app->bass();
        const DWORD stream = j.app->queue().stream;
        for (int i = 0; i < 2000; ++i) {
            const QWORD played = BASS_ChannelGetPosition(bass, stream);
            if (played + kBytesPerSecond * 4 / 10 > BASS_StreamGetLength(bass, stream)) return;
            SDL_Delay(2);
        }
    };
    waitlastpart();
    j.app->keydown(kKeyS);
    j.key(kKeyN);
    ASSERT_EQ(j.app->queue().playlistpos, 1);
    waitlastpart();
    j.key(kKeyS);
    j.waituntil([] { return false; }, 0.6);
    EXPECT_EQ(j.active(), BASS_ACTIVE_STOPPED);
    const auto tones = j.heard();
    ASSERT_EQ(tones.size(), 2U);
    EXPECT_NEAR(tones[0].frequency, 440, 15);
    EXPECT_LT(tones[0].seconds, 1.5 - 0.25);
    EXPECT_NEAR(tones[1].frequency, 660, 20);
    EXPECT_LT(tones[1].start - (tones[0].start + tones[0].seconds), 0.1);  // b follows at once
    EXPECT_LT(tones[1].seconds, 1.5 - 0.25);
}

TEST_F(QueueOfThree, EveryQueuedFileMissingLeavesTheJukeboxStoppedAndWorking) {
    start(20.0);
    j.key(kKeyS);
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) fs::remove(j.root() / name);
    for (const int16_t key : {kKeyN, kKeyP, kKeyL, kKeyEnter, kKeyRight, kKeySpace, kKeyA}) {
        j.key(key);
        EXPECT_NE(j.active(), BASS_ACTIVE_PLAYING) << key;
        EXPECT_EQ(checkstate(*j.app), "") << key;
    }
    j.app->Timer1_Timer();
    EXPECT_EQ(j.app->form().lblState.caption, "Stop");
    EXPECT_FALSE(j.app->ended());
}

// Real time, so that the cut lands long before the decoder reaches it.
TEST(Truncation, AFileCutShortWhilePlayingEndsEarlyAndTheQueueGoesOn) {
    Harness j(true);
    j.tone("a.mp3", 20.0, 440);
    j.tone("b.mp3", 0.3, 660);
    j.tone("c.wav", 20.0, 880);
    j.writesettings("none");
    j.start();
    ASSERT_TRUE(j.loaded);
    ASSERT_EQ(truncate((j.root() / "a.mp3").c_str(), 16384), 0);
    ASSERT_TRUE(j.waituntil([&] { return j.app->queue().playlistpos == 1; }, 10));
    EXPECT_TRUE(hearduntil(j, 660));
    // A WAV played on its own, cut while it plays, ends early and playback stops.
    j.app->browse().row = 3;
    j.key(kKeyEnter);
    ASSERT_EQ(j.active(), BASS_ACTIVE_PLAYING);
    ASSERT_EQ(truncate((j.root() / "c.wav").c_str(), 65536), 0);
    ASSERT_TRUE(j.waituntil([&] { return j.active() == BASS_ACTIVE_STOPPED; }, 10));
    ASSERT_TRUE(hearduntil(j, 880));
    for (const fx::ToneSegment& t : j.heard()) EXPECT_LT(t.seconds, 5.0) << t.frequency;
}

// Every write to /dev/full fails, so SDL drops the device as if it had been unplugged.
TEST(AudioDevice, ADeviceLostDuringPlaybackStopsWithoutAdvancingAndPlayReopensIt) {
    Harness j;
    j.tone("a.mp3", 5.0, 440);
    j.tone("b.mp3", 5.0, 660);
    j.writesettings("none");
    setenv("SDL_DISKAUDIOFILE", "/dev/full", 1);
    j.start();
    ASSERT_TRUE(j.loaded);
    ASSERT_TRUE(j.waituntil([&] { return j.active() == BASS_ACTIVE_STOPPED; }, 10));
    j.app->Timer1_Timer();
    EXPECT_EQ(j.app->queue().playlistpos, 0);
    EXPECT_FALSE(j.app->ended());
    EXPECT_TRUE(j.boxes.shown.empty());
    setenv("SDL_DISKAUDIOFILE", j.audiofile().c_str(), 1);
    j.key(kKeyN);
    EXPECT_EQ(j.active(), BASS_ACTIVE_PLAYING);
    ASSERT_TRUE(j.waituntil([&] { return j.active() == BASS_ACTIVE_STOPPED; }, 10));
    EXPECT_TRUE(heardfrequency(j.heard(), 660));
}

TEST(CdImage, TheImageVanishingWhileItPlaysKeepsTheJukeboxResponsive) {
    Harness j(true);
    j.disc(3, 4.0);
    j.start();
    ASSERT_TRUE(j.loaded) << j.app->endreason();
    ASSERT_EQ(j.app->mode().mediamode, Mode::Cd);
    fs::remove(j.dir / "disc.bin");
    j.waituntil([] { return false; }, 0.5);
    for (const int16_t key :
         {kKeyN, kKeyE, kKeyDown, kKeyEnter, kKeyZ, kKeyP, kKeyL, kKeyS, kKeySpace, kKeyEnter}) {
        j.key(key);
        j.app->Timer1_Timer();
        ASSERT_FALSE(j.app->ended()) << key;
        EXPECT_EQ(checkstate(*j.app), "") << key;
    }
    j.key(kKeyEscape);
    EXPECT_TRUE(j.app->ended());
    EXPECT_EQ(j.app->exitstatus(), 0);
}

}  // namespace
}  // namespace tunedeck::faults
