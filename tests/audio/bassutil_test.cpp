#include "audio/bassutil.h"

#include <gtest/gtest.h>

namespace tunedeck {
namespace {

TEST(BassUtil, LShiftOverflowNamesItsSource) {
    EXPECT_EQ(LShift(1, 30), 1 << 30);
    EXPECT_EQ(LShift(-1, 31), INT32_MIN);
    try {
        LShift(1, 31);
        FAIL() << "no overflow";
    } catch (const OverflowError& e) {
        EXPECT_EQ(e.source(), "LShift");
    }
    EXPECT_THROW(makelong(0, 32768), OverflowError);
}

TEST(BassUtil, ErrorTexts) {
    EXPECT_EQ(basserrortext(0), "All is OK");
    EXPECT_EQ(basserrortext(8), "BASS_Init Has Not Been Successfully Called");
    EXPECT_EQ(basserrortext(38), "The channel is a 'decoding channel'");
    EXPECT_EQ(basserrortext(-1), "Some Other Mystery Error");
    for (int code : {28, 30, 36, 39, 100, -2}) EXPECT_EQ(basserrortext(code), "") << code;
}

}  // namespace
}  // namespace tunedeck
