// The command-line front end (scripts/run-demo uses it) writes what it is asked for.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tools/fixtures/fixtures.h"

namespace tunedeck::fixtures {
namespace {

class FrontEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* build = std::getenv("TUNEDECK_BUILD_DIR");
        if (!build) GTEST_SKIP() << "TUNEDECK_BUILD_DIR is not set";
        tool_ = fs::path(build) / "tunedeck-fixtures";
        if (!fs::exists(tool_)) GTEST_SKIP() << "no " << tool_;
    }

    // Exit status of the tool with `arguments` (shell words), output thrown away.
    int run(const std::string& arguments) const {
        const std::string command = "'" + tool_.string() + "' " + arguments + " >/dev/null 2>&1";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string quoted(const fs::path& file) const { return "'" + file.string() + "'"; }

    TempDir dir_;
    fs::path tool_;
};

TEST_F(FrontEnd, WritesWhatItIsAskedFor) {
    ASSERT_EQ(run("tone " + quoted(dir_ / "t.mp3") + " --freq 330 --seconds 1.5 --channels 1"), 0);
    const ToneSegment tone = measurefile(dir_ / "t.mp3");
    EXPECT_NEAR(tone.frequency, 330, 3.3);
    EXPECT_NEAR(tone.seconds, 1.5, 0.003);
    ASSERT_EQ(run("cdimage " + quoted(dir_ / "d.cue") +
                  " --track 2:440 --track 1:data --track 1:660 --data-track 3"),
              0);
    EXPECT_EQ(fs::file_size(dir_ / "d.bin"), 4u * 75 * 2352);
    ASSERT_EQ(run("random " + quoted(dir_ / "r") + " --bytes 123 --seed 9"), 0);
    ASSERT_EQ(run("truncate " + quoted(dir_ / "r") + " " + quoted(dir_ / "c") + " --bytes 100"), 0);
    EXPECT_EQ(fs::file_size(dir_ / "c"), 100u);
}

}  // namespace
}  // namespace tunedeck::fixtures
