// The CD command-string interpreter on arbitrary commands against an image drive. The input is
// split into lines, each sent as one command after the device was opened.

#include "platform/cd/mci.h"
#include "fuzz/fuzz_common.h"
#include "tools/fixtures/fixtures.h"

using namespace tunedeck;

namespace {
cd::DriveTarget drive;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::writeseeds({
        "status cd media present\nstatus cd number of tracks wait\nset cd time format tmsf wait",
        "status cd length track 2\nplay cd from 2\nstatus cd position\npause cd\nstop cd wait",
        "set cd time format milliseconds\nseek cd to 4000\nstatus cd mode\nseek cd to 1\nclose all",
        "status cd length\nset cd door open\nstatus cd mode\nset cd door closed",
    });
    auto folder = fuzzing::scratchfolder("mci");
    fixtures::writecdimage(folder / "disc.cue",
                           {{1.0, 440, false}, {1.0, 660, false}, {1.0, 0, true}});
    drive = {"disc.cue", folder};
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MciSession mci(drive);
    mciSendStringA(mci, "open cdaudio alias cd wait shareable", nullptr, 0, nullptr);
    std::string input(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    int commands = 0;
    while (start <= input.size() && commands++ < 16) {
        size_t end = input.find('\n', start);
        if (end == std::string::npos) end = input.size();
        std::string command = input.substr(start, end - start);
        char reply[30] = "unchanged";
        mciSendStringA(mci, command.c_str(), reply, sizeof reply, nullptr);
        if (reply[sizeof reply - 1] != '\0') __builtin_trap();
        char small[3];
        mciSendStringA(mci, command.c_str(), small, sizeof small, nullptr);
        start = end + 1;
    }
    char text[128];
    mciGetErrorStringA(static_cast<MCIERROR>(size), text, sizeof text);
    mciSendStringA(mci, "close all", nullptr, 0, nullptr);
    return 0;
}
