// Key codes and the once-a-second deadline.
#include <gtest/gtest.h>

#include "platform/screen/keys.h"
#include "platform/screen/tick.h"

namespace tunedeck {
namespace {

TEST(Keys, MediaKeysActAsTheirCommandLetters) {
    EXPECT_EQ(virtualkey(SDLK_AUDIOPLAY), 'L');
    EXPECT_EQ(virtualkey(SDLK_AUDIOSTOP), 'S');
    EXPECT_EQ(virtualkey(SDLK_AUDIONEXT), 'N');
    EXPECT_EQ(virtualkey(SDLK_AUDIOPREV), 'P');
    EXPECT_EQ(virtualkey(SDLK_KP_ENTER), virtualkey(SDLK_RETURN));  // OK on some receivers
    EXPECT_EQ(virtualkey(SDLK_LSHIFT), 0);
    EXPECT_EQ(virtualkey(SDLK_VOLUMEUP), 0);
}

TEST(TickDeadline, TicksOncePerIntervalWithoutBursts) {
    TickDeadline tick(5000);
    EXPECT_EQ(tick.timeout(5000), 1000);
    EXPECT_FALSE(tick.due(5999));
    EXPECT_EQ(tick.timeout(5999), 1);
    EXPECT_TRUE(tick.due(6000));
    EXPECT_FALSE(tick.due(6000));
    EXPECT_EQ(tick.timeout(6000), 1000);
    EXPECT_TRUE(tick.due(7003));  // a little late: the next one stays on the 1 s grid
    EXPECT_EQ(tick.timeout(7003), 997);
    // A loop that was stuck for 10 s runs one tick, then waits a full interval.
    EXPECT_TRUE(tick.due(18000));
    EXPECT_FALSE(tick.due(18500));
    EXPECT_EQ(tick.timeout(18000), 1000);
}

}  // namespace
}  // namespace tunedeck
