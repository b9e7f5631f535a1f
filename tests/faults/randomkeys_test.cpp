// Thousands of random key presses (fixed seeds) in both modes, on listings from empty to larger
// than the item table, with the browsing and queue invariants checked after every key.
#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "commands/keycodes.h"
#include "harness.h"

namespace tunedeck::faults {
namespace {

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
    if (entries == 0) {  // nothing to play: start-up ends, and keys after it change nothing
        EXPECT_FALSE(j.loaded);
        EXPECT_EQ(j.app->exitstatus(), 1);
        j.app->keydown(kKeyDown);
        EXPECT_TRUE(j.app->ended());
        return;
    }
    ASSERT_TRUE(j.loaded) << j.app->endreason();
    EXPECT_EQ(checkstate(*j.app), "");
    presskeys(j, static_cast<uint32_t>(entries * 2 + letters), kPresses);
}

INSTANTIATE_TEST_SUITE_P(Trees, FileModeKeys,
                         ::testing::Values(std::tuple{0, false}, std::tuple{1, true},
                                           std::tuple{11, true}, std::tuple{12, false},
                                           std::tuple{2500, false}, std::tuple{2500, true}));

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

}  // namespace
}  // namespace tunedeck::faults
