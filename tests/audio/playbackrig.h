// Shared by the levelling tests: a Playback over the real engine, writing into SDL's disk
// driver inside a temporary folder, with an empty queue.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "audio/playback.h"
#include "tests/platform/audio/harness.h"

namespace tunedeck::testing {

struct PlaybackRig {
    PlaybackRig() { diskoutput(dir, false); }

    // Starts `path` and returns the gain, in dB, its stream plays at.
    double startedgain(const std::string& path) {
        EXPECT_FALSE(playback.playfile(path));
        float gain = 0;
        EXPECT_TRUE(BASS_ChannelGetAttribute(bass, queue.stream, BASS_ATTRIB_VOL, &gain));
        return 20 * std::log10(gain);
    }

    fx::TempDir dir;
    AudioLibrary bass;
    PlayQueue queue;
    Playback playback{bass, queue};
};

}  // namespace tunedeck::testing
