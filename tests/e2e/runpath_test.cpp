// The program in the build folder finds its libraries in the build folder and the system's
// folders only: a file dropped in the folder it is started from, under a library's name, is
// never loaded.
#include <gtest/gtest.h>

#include <fstream>

#include "harness.h"

namespace tunedeck::e2e {
namespace {

using namespace std::chrono_literals;

TEST(BuildTreeProgram, NeverLoadsALibraryFromTheFolderItIsStartedFrom) {
    fixtures::TempDir work;
    for (const char* name : {"libSDL2-2.0.so.0", "libcdio.so.19", "tunedeck-remote.so"})
        std::ofstream(work / name) << "not a library\n";
    const fs::path err = work / "stderr.txt";
    const std::string program = (builddir() / "tunedeck").string();
    // No video driver: the program ends at once with its own message, once it has loaded.
    Child child({"/bin/sh", "-c", "cd \"$0\" && exec \"$1\"", work.path().string(), program},
                {{"SDL_VIDEODRIVER", "none"}, {"DISPLAY", ""}}, "/dev/null", err);
    const auto status = child.wait(30s);
    ASSERT_TRUE(status.has_value());
    const std::string messages = readfile(err);
    EXPECT_EQ(messages.find("error while loading shared libraries"), std::string::npos) << messages;
    EXPECT_EQ(*status, 1) << messages;
    EXPECT_NE(messages.find("tunedeck: cannot start SDL"), std::string::npos) << messages;
}

}  // namespace
}  // namespace tunedeck::e2e
