#include "browse/names.h"

#include <gtest/gtest.h>

namespace tunedeck {
namespace {

struct NameCase {
    const char* input;
    const char* plain;
    const char* tidied;
};

TEST(DisplayName, CleansNamesAndTitles) {
    const NameCase cases[] = {
        {"blue_river_-_live_at_home.mp3", "blue_river_-_live_at_home", "Blue River - Live At Home"},
        {"/d/Music/rock/classics", "rock / classics", "Rock / Classics"},
        {"LIVE (CD 2).MP3", "LIVE (CD 2)", "Live (CD 2)"},
        {"best of cd1.wma", "best of cd1", "Best Of CD1"},
        {"Song.Mp3", "Song.Mp3", "Song.mp3"},
        {"mix.mp3.mp3", "mix", "Mix"},
        {"l'amour.m3u", "l'amour", "L'amour"},
        {"my.mp3s.wav", "mys", "Mys"},
        {"a.m3u8 b.FLAC c.ogg d.OGA e.opus f.M4A g.aac", "a b c d e f g", "A B C D E F G"},
        {"Tune.Opus", "Tune.Opus", "Tune.opus"},
        {"abcd cd player.WAV", "abcd cd player", "Abcd CD Player"},
        {"_live", "_live", " Live"},
        {"", "", ""},
        {"\xC3\xA9lan_vital.mp3", "\xC3\xA9lan_vital", "\xC3\x89lan Vital"},
        {"caf\xE9 bar.mp3", "caf\xEF\xBF\xBD bar", "Caf\xEF\xBF\xBD Bar"},
        {"/d/Music", " / d / Music", " / D / Music"},
    };
    for (const NameCase& c : cases) {
        EXPECT_EQ(displayname(c.input, {"/d/Music", 0}), c.plain) << c.input;
        EXPECT_EQ(displayname(c.input, {"/d/Music", 1}), c.tidied) << c.input;
    }
}

TEST(DisplayName, RemovesOnlyTheLeadingRoot) {
    // The root's own name deeper in the path is a subfolder and stays in the title.
    EXPECT_EQ(displayname("/m/a/m/b", {"/m", 0}), "a / m / b");
    // A root of "/" is followed by a second separator in the lookup, so it stays visible.
    EXPECT_EQ(displayname("/Rock", {"/", 0}), " / Rock");
}

}  // namespace
}  // namespace tunedeck
