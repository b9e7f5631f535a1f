// Random command strings: never a crash or a hang, and a refused one never touches the reply.
#include <cstring>
#include <random>

#include "tests/platform/cd/cdtest.h"

namespace tunedeck::cdtest {
namespace {

class Fuzz : public CdTest {};

std::string randomcommand(std::mt19937& random) {
    static const char* const kWords[] = {
        "status",       "cd",        "mode",  "position",   "length", "track",  "play",
        "from",         "to",        "seek",  "set",        "time",   "format", "tmsf",
        "milliseconds", "door",      "open",  "closed",     "number", "of",     "tracks",
        "wait",         "close",     "all",   "0",          "1",      "2",      "-1",
        "99",           "1:2:3:4:5", ":",     "4294967296", "",       "\t",     "type",
        "media",        "present",   "start", "end"};
    std::string command;
    int count = int(random() % 7);
    for (int i = 0; i < count; ++i) {
        if (random() % 8 == 0) {
            command += char(random() % 256);
        } else {
            command += kWords[random() % std::size(kWords)];
        }
        command += ' ';
    }
    return command;
}

TEST_F(Fuzz, RandomCommandsAreAnsweredSafely) {
    opendisc({{0.2, 440}, {0.2, 0, true}, {0.2, 880}});
    std::mt19937 random(12345);
    for (int i = 0; i < 3000; ++i) {
        std::string command = randomcommand(random);
        if (command.rfind("close", 0) == 0) continue;  // keep the device open
        char buffer[16];
        std::memset(buffer, '#', sizeof buffer);
        uint32_t size = uint32_t(random() % 12);
        MCIERROR code = mciSendStringA(*mci, command.c_str(), buffer, size, nullptr);
        if (code != 0) {
            for (char c : buffer) ASSERT_EQ(c, '#') << command;
            char text[8];
            EXPECT_TRUE(mciGetErrorStringA(code, text, sizeof text)) << command;
        } else if (size > 0) {
            ASSERT_NE(std::memchr(buffer, '\0', size), nullptr) << command;
        }
        for (size_t k = size; k < sizeof buffer; ++k) ASSERT_EQ(buffer[k], '#') << command;
    }
    ASSERT_EQ(send("stop cd").code, 0u);
}

}  // namespace
}  // namespace tunedeck::cdtest
