// The state folder: where it is, how it is made, and the one move of a file an older Tunedeck
// wrote in its own folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "settings/userfolders.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck {
namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write(const fs::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

mode_t modeof(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

TEST(StateFolder, IsXdgStateHomeWhenAbsoluteElseUnderTheHomeFolder) {
    EXPECT_EQ(statefolderfor("/var/tmp/st", "/home/box"), fs::path("/var/tmp/st/tunedeck"));
    for (const char* ignored : {static_cast<const char*>(nullptr), "", "relative/state", "~/st"})
        EXPECT_EQ(statefolderfor(ignored, "/home/box"), fs::path("/home/box/.local/state/tunedeck"))
            << (ignored ? ignored : "(unset)");
}

TEST(StateFolder, IsMadeForItsUserAloneAndAnExistingOneIsLeftAsItIs) {
    fixtures::TempDir dir;
    const fs::path folder = dir / "home" / ".local" / "state" / "tunedeck";
    ASSERT_TRUE(makestatefolder(folder));
    for (const fs::path& made :
         {dir / "home", dir / "home" / ".local", folder.parent_path(), folder})
        EXPECT_EQ(modeof(made), 0700u) << made;

    fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    EXPECT_TRUE(makestatefolder(folder));
    EXPECT_EQ(modeof(folder), 0750u);

    write(dir / "file", "x");
    EXPECT_FALSE(makestatefolder(dir / "file"));
    EXPECT_FALSE(makestatefolder(dir / "file" / "tunedeck"));
}

class LegacyFile : public ::testing::Test {
  protected:
    fixtures::TempDir dir;
    fs::path legacy = dir / "program" / "remote.tokens";
    fs::path target = dir / "state" / "remote.tokens";
    void SetUp() override {
        fs::create_directories(legacy.parent_path());
        fs::create_directories(target.parent_path());
    }
};

TEST_F(LegacyFile, IsMovedOnceAndNeverOverAFileAlreadyThere) {
    write(legacy, "paired\n");
    fs::permissions(legacy, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_TRUE(adoptlegacyfile(legacy, target));
    EXPECT_EQ(contents(target), "paired\n");
    EXPECT_EQ(modeof(target), 0600u);
    EXPECT_FALSE(fs::exists(legacy));

    // A stale copy turning up again (a restored backup) does not undo what happened since.
    write(target, "since\n");
    write(legacy, "stale\n");
    EXPECT_FALSE(adoptlegacyfile(legacy, target));
    EXPECT_EQ(contents(target), "since\n");
    EXPECT_EQ(contents(legacy), "stale\n");
    // Nor does it replace a dangling link of the user's in the state folder.
    fs::remove(target);
    fs::create_symlink(dir / "elsewhere", target);
    EXPECT_FALSE(adoptlegacyfile(legacy, target));
    EXPECT_FALSE(fs::exists(dir / "elsewhere"));
}

TEST_F(LegacyFile, OnlyARegularFileIsTaken) {
    EXPECT_FALSE(adoptlegacyfile(legacy, target));  // none
    write(dir / "secret", "not the jukebox's\n");
    fs::create_symlink(dir / "secret", legacy);
    EXPECT_FALSE(adoptlegacyfile(legacy, target));
    fs::remove(legacy);
    fs::create_directory(legacy);
    EXPECT_FALSE(adoptlegacyfile(legacy, target));
    EXPECT_FALSE(fs::exists(fs::symlink_status(target)));
}

// The program's folder on another file system than the home (a package's /usr, a home of its
// own): the contents are copied, and the old file goes where its folder allows.
TEST_F(LegacyFile, IsCopiedAcrossFileSystems) {
    struct stat here {
    }, shm{};
    if (::stat("/dev/shm", &shm) != 0 || ::stat(dir.path().c_str(), &here) != 0 ||
        here.st_dev == shm.st_dev)
        GTEST_SKIP() << "no second file system at /dev/shm";
    const fs::path other = fs::path("/dev/shm") / ("tunedeck-legacy-" + std::to_string(::getpid()));
    fs::create_directories(other);
    write(other / "remote.tokens", std::string(5000, 'a') + "\n");
    EXPECT_TRUE(adoptlegacyfile(other / "remote.tokens", target));
    EXPECT_EQ(contents(target), std::string(5000, 'a') + "\n");
    EXPECT_EQ(modeof(target), 0600u);
    EXPECT_FALSE(fs::exists(other / "remote.tokens"));
    EXPECT_FALSE(fs::exists(target.string() + ".moving"));
    fs::remove_all(other);
}

}  // namespace
}  // namespace tunedeck
