// A settings file and a generated disc image in a temporary folder, and a session on them.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/cd/mci.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck::cdtest {

namespace fx = tunedeck::fixtures;

struct Result {
    MCIERROR code = 0;
    std::string reply;
};

class CdTest : public ::testing::Test {
  protected:
    // Whatever a test plays goes to a file in its own folder, never to a sound card.
    CdTest() {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", (dir / "output.raw").c_str(), 1);
    }

    // Starts a session on the drive `device` names as "[cd] device" would, playing into the
    // output `output` names; relative names are taken from the test's folder.
    void usedevice(const std::string& device, const std::string& output = {}) {
        mci = std::make_unique<MciSession>(cd::DriveTarget{device, dir.path()},
                                           OutputTarget{output, dir.path()});
    }
    // A cue/bin image "disc.cue" of these tracks, opened as "cd".
    void opendisc(const std::vector<fx::CdTrack>& tracks, const std::string& output = {}) {
        fx::writecdimage(dir / "disc.cue", tracks);
        usedevice("disc.cue", output);
        ASSERT_EQ(send("open cdaudio alias cd wait shareable").code, 0u);
    }
    Result send(const std::string& command, uint32_t size = 128) {
        std::vector<char> buffer(size + 1, '\x7f');
        Result r;
        r.code = mciSendStringA(*mci, command.c_str(), buffer.data(), size, nullptr);
        if (r.code == 0 && size > 0) r.reply = buffer.data();
        return r;
    }
    std::string reply(const std::string& command) {
        Result r = send(command);
        EXPECT_EQ(r.code, 0u) << command;
        return r.reply;
    }
    static std::string errortext(MCIERROR code) {
        char text[256] = {};
        return mciGetErrorStringA(code, text, sizeof text) ? text : "";
    }

    fx::TempDir dir;
    std::unique_ptr<MciSession> mci;
};

}  // namespace tunedeck::cdtest
