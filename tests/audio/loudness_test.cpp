// The background measurement of loudness: its cache (kept across restarts, rebuilt when damaged,
// bounded), the worker that measures what plays next, and the level measured and unmeasured
// files play at. The worker runs at the lowest priority on a loaded machine: waits are generous.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/levelling.h"
#include "audio/loudnesscache.h"
#include "audio/loudnessscan.h"
#include "audio/playback.h"
#include "tests/audio/playbackrig.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck {
namespace {

using namespace tunedeck::testing;
namespace fs = std::filesystem;

constexpr auto kWork = std::chrono::seconds(120);
using Tags = std::vector<std::pair<std::string, std::string>>;

// A 997 Hz tone whose amplitude A reads 20 log10 A LUFS: 0.1 is -20 LUFS, 2 dB below the
// reference.
fs::path tone(const fs::path& file, double amplitude, const Tags& tags = {}) {
    fs::create_directories(file.parent_path());
    fx::Tone t{997, 1.5, 44100, 2, amplitude};
    t.tags = tags;
    fx::writetone(file, fx::AudioFormat::Flac, t);
    return file;
}

std::string text(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(LoudnessCache, ReadsBackEveryPathAndDropsDamagedAndCutLines) {
    fx::TempDir dir;
    const fs::path file = dir / "state" / "loudness.cache";
    LevelTable table;
    table["/m/a\tb/new\nline\\x.flac"] = {100, -5, 2.25, 0.5, "Tab\tAlbum", 1};
    table["/m/silence.flac"] = {7, 1700000000123456789, std::nullopt, 0, "", 2};
    ASSERT_TRUE(writelevelcache(file, table));
    EXPECT_EQ(readlevelcache(file, 100), table);
    EXPECT_FALSE(fs::exists(file.string() + ".new"));

    // A line of nonsense, one with an absurd gain, and a last one cut short are left out.
    std::ofstream(file, std::ios::app) << "x\ty\n"
                                       << "1\t1\t99\t0.5\t\t/m/loud.flac\n"
                                       << "1\t1\t1.0\t0.5\t\t/m/cut.fl";
    EXPECT_EQ(readlevelcache(file, 100), table);

    std::ofstream(file, std::ios::trunc) << "\x7f"
                                            "ELF garbage";
    EXPECT_TRUE(readlevelcache(file, 100).empty());
    EXPECT_TRUE(readlevelcache(dir / "none", 100).empty());
}

TEST(LoudnessCache, KeepsOnlyTheNewestEntriesWithinItsLimit) {
    fx::TempDir dir;
    LevelTable table;
    for (uint64_t i = 1; i <= 10; ++i) table["/m/" + std::to_string(i)] = {i, 0, 1.0, 0.5, "", i};
    ASSERT_TRUE(writelevelcache(dir / "cache", table));
    const LevelTable kept = readlevelcache(dir / "cache", 4);
    ASSERT_EQ(kept.size(), 4u);
    for (const char* path : {"/m/7", "/m/8", "/m/9", "/m/10"}) EXPECT_TRUE(kept.contains(path));
    trimlevels(table, 3);
    EXPECT_EQ(table.size(), 3u);
    EXPECT_TRUE(table.contains("/m/10"));
}

TEST(LoudnessScan, MeasuresUntaggedFilesAndARestartKeepsWhatItMeasured) {
    fx::TempDir dir;
    const fs::path cache = dir / "state" / "loudness.cache";
    const auto quiet = tone(dir / "a" / "quiet.flac", 0.1, {{"ALBUM", "Quiet"}}).string();
    const auto tagged =
        tone(dir / "b" / "tagged.flac", 0.5, {{"REPLAYGAIN_TRACK_GAIN", "-3 dB"}, {"ALBUM", "T"}})
            .string();
    {
        LoudnessScan scan(cache);
        scan.follow({tagged, quiet});
        ASSERT_TRUE(scan.waitidle(kWork));
        const auto level = scan.measured(quiet);
        ASSERT_TRUE(level.has_value());
        ASSERT_TRUE(level->gain.has_value());
        EXPECT_NEAR(*level->gain, 2.0, 0.3);
        EXPECT_NEAR(level->peak, 0.1, 0.01);
        EXPECT_EQ(level->album, "Quiet");
        EXPECT_FALSE(scan.measured(tagged).has_value());  // its tags level it
        EXPECT_EQ(scan.albumof(tagged), "T");
        EXPECT_EQ(scan.measuredcount(), 1u);
    }
    LoudnessScan restarted(cache);
    const auto kept = restarted.measured(quiet);
    ASSERT_TRUE(kept.has_value());
    EXPECT_NEAR(kept->gain.value_or(0), 2.0, 0.3);
    restarted.follow({quiet});
    ASSERT_TRUE(restarted.waitidle(kWork));
    EXPECT_EQ(restarted.measuredcount(), 0u);  // nothing measured again
}

TEST(LoudnessScan, AFileChangedSinceItsMeasurementIsMeasuredAgain) {
    fx::TempDir dir;
    const auto file = tone(dir / "song.flac", 0.1).string();
    LoudnessScan scan(dir / "loudness.cache");
    scan.follow({file});
    ASSERT_TRUE(scan.waitidle(kWork));
    ASSERT_TRUE(scan.measured(file).has_value());

    tone(file, 0.2);  // -14 LUFS
    fs::last_write_time(file, fs::last_write_time(file) + std::chrono::seconds(5));
    EXPECT_FALSE(scan.measured(file).has_value());
    scan.follow({file});
    ASSERT_TRUE(scan.waitidle(kWork));
    const auto level = scan.measured(file);
    ASSERT_TRUE(level.has_value());
    EXPECT_NEAR(level->gain.value_or(0), -4.0, 0.3);
    EXPECT_EQ(scan.measuredcount(), 2u);
}

TEST(LoudnessScan, ADamagedCacheIsRebuiltAndMeasuringOffLeavesItAlone) {
    fx::TempDir dir;
    const fs::path cache = dir / "loudness.cache";
    const auto file = tone(dir / "song.flac", 0.1).string();
    std::ofstream(cache, std::ios::binary) << std::string(5000, '\0') << "\n\t\t\\";
    {
        LoudnessScan off(cache, false);
        off.follow({file});
        ASSERT_TRUE(off.waitidle(kWork));
        EXPECT_FALSE(off.measured(file).has_value());
        EXPECT_EQ(off.measuredcount(), 0u);
    }
    EXPECT_EQ(text(cache).size(), 5004u);
    {
        LoudnessScan scan(cache);
        EXPECT_FALSE(scan.measured(file).has_value());
        scan.follow({file});
        ASSERT_TRUE(scan.waitidle(kWork));
    }
    EXPECT_EQ(readlevelcache(cache, 10).size(), 1u);
    EXPECT_TRUE(text(cache).starts_with("tunedeck loudness 1\n"));
}

TEST(Levelling, AMeasuredFilePlaysAtItsLevelAndAnUnmeasuredOneAtItsAlbumNeighboursLevel) {
    PlaybackRig rig;
    ASSERT_TRUE(startlibrary(rig.bass));
    const fx::TempDir& dir = rig.dir;
    PlayQueue& queue = rig.queue;
    Playback& playback = rig.playback;
    const auto first = tone(dir / "album" / "1.flac", 0.1).string();
    const auto second = tone(dir / "album" / "2.flac", 0.1).string();
    const auto other = tone(dir / "other" / "3.flac", 0.4).string();
    for (const auto& path : {first, second, other}) queue.append(path, path);
    // The second file is never measured: it stands for one whose turn has not come yet. The
    // examiner runs on the scan's thread, which the rig outlives: it holds copies, not references.
    auto examine = [second](const std::string& path, bool measure, const std::atomic<bool>& stop) {
        return examinefile(path, measure && path != second, stop);
    };
    playback.measure(std::make_unique<LoudnessScan>(dir / "cache", true, examine));
    ASSERT_TRUE(playback.loudnessscan()->waitidle(kWork));

    queue.playlistpos = 0;
    EXPECT_NEAR(rig.startedgain(first), 2.0, 0.3);
    queue.playlistpos = 1;
    EXPECT_NEAR(rig.startedgain(second), 2.0, 0.3);  // after its album's first file
    queue.playlistpos = 2;
    EXPECT_NEAR(rig.startedgain(other), -18.0 - 20 * std::log10(0.4), 0.3);
    queue.playlistpos = 1;
    EXPECT_NEAR(rig.startedgain(second), 0.0, 0.01);  // after a file of another album
}

// The neighbour whose album decides `auto` is read by the worker, never by the caller: with the
// worker held up inside that very file, a start goes ahead at once at the track gain, and the
// next start, once the worker has read the album, takes the album gain.
TEST(Levelling, ANeighboursAlbumIsReadByTheWorkerAndASlowNeighbourNeverHoldsUpAStart) {
    PlaybackRig rig;
    ASSERT_TRUE(startlibrary(rig.bass));
    const fx::TempDir& dir = rig.dir;
    PlayQueue& queue = rig.queue;
    Playback& playback = rig.playback;
    const Tags blue = {
        {"REPLAYGAIN_TRACK_GAIN", "-6 dB"}, {"REPLAYGAIN_ALBUM_GAIN", "-12 dB"}, {"ALBUM", "Blue"}};
    const auto one = tone(dir / "x" / "one.flac", 0.5, blue).string();
    const auto two = tone(dir / "y" / "two.flac", 0.5, blue).string();
    queue.append("one", one);
    queue.append("two", two);

    // What the examiner shares with the test is held by both, as the scan's thread outlives this
    // body's locals (the rig that owns it was made first).
    struct Readers {
        std::mutex mutex;
        std::vector<std::thread::id> ids;
    };
    const auto readers = std::make_shared<Readers>();
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    auto examine = [readers, released, two](const std::string& path, bool measure,
                                            const std::atomic<bool>& stop) {
        {
            const std::lock_guard lock(readers->mutex);
            readers->ids.push_back(std::this_thread::get_id());
        }
        if (path == two) released.wait_for(std::chrono::seconds(60));
        return examinefile(path, measure, stop);
    };
    queue.playlistpos = 0;
    playback.measure(std::make_unique<LoudnessScan>(dir / "cache", true, examine));

    const auto before = std::chrono::steady_clock::now();
    EXPECT_NEAR(rig.startedgain(one), -6.0, 0.01);
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(30));
    release.set_value();
    ASSERT_TRUE(playback.loudnessscan()->waitidle(kWork));
    EXPECT_NEAR(rig.startedgain(one), -12.0, 0.01);

    const std::lock_guard lock(readers->mutex);
    EXPECT_FALSE(readers->ids.empty());
    for (const auto& reader : readers->ids) EXPECT_NE(reader, std::this_thread::get_id());
}

TEST(Levelling, TheMeasurementFollowsTheQueueFromTheEntryAfterThePlayingOne) {
    PlayQueue queue;
    for (const char* path : {"/m/0", "/m/1", "/m/2", "/m/3"}) queue.append(path, path);
    queue.playlistpos = 1;
    EXPECT_EQ(upcomingpaths(queue, 10), (std::vector<std::string>{"/m/2", "/m/3", "/m/0", "/m/1"}));
    EXPECT_EQ(upcomingpaths(queue, 2), (std::vector<std::string>{"/m/2", "/m/3"}));
    queue.playlistpos = -1;  // before the first, its entry taken out
    EXPECT_EQ(upcomingpaths(queue, 1), (std::vector<std::string>{"/m/0"}));
    EXPECT_TRUE(upcomingpaths(PlayQueue{}, 10).empty());
}

}  // namespace
}  // namespace tunedeck
