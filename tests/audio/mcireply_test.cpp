#include "audio/mcireply.h"

#include <gtest/gtest.h>

namespace tunedeck {
namespace {

TEST(CdReply, NumbersAndPositionsFromTheFirstCharactersAndUnreadableReplies) {
    EXPECT_EQ(replynumber("12", 2), 12);
    EXPECT_EQ(replynumber(std::string_view("9\0"
                                           "7",
                                           3),
                          2),
              9);
    EXPECT_EQ(replynumber("", 2), std::nullopt);
    EXPECT_EQ(replynumber("tr", 2), std::nullopt);
    EXPECT_EQ(replyint32("-4000"), -4000);
    EXPECT_EQ(replyint32("99999999999"), std::nullopt);
    EXPECT_EQ(replyprefix(std::string_view("paused\0g", 8), 7), "paused");
    const auto position = parsecdposition("03:01:15:40");
    ASSERT_TRUE(position.has_value());
    EXPECT_EQ(position->track, 3);
    EXPECT_EQ(position->minutes, 1);
    EXPECT_EQ(position->seconds, 15);
    EXPECT_FALSE(parsecdposition("").has_value());
    EXPECT_FALSE(parsecdposition("xx:01:15:40").has_value());
    EXPECT_EQ(parsecdlength("02:05"), 125);
    EXPECT_EQ(parsecdlength("02"), std::nullopt);
}

}  // namespace
}  // namespace tunedeck
