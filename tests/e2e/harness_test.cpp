// The harness itself: a private X server comes up and its screen can be read back.
#include <gtest/gtest.h>

#include "harness.h"

namespace tunedeck::e2e {

TEST(Harness, PrivateXServerScreenReadsBack) {
    XServer x(1024, 768);
    ASSERT_FALSE(x.display().empty());
    auto dir =
        std::filesystem::temp_directory_path() / ("tunedeck-harness-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    Screenshot shot(x, dir / "root.png");
    EXPECT_EQ(shot.width(), 1024);
    EXPECT_EQ(shot.height(), 768);
    std::filesystem::remove_all(dir);
}

}  // namespace tunedeck::e2e
