// Stations in playlists: web addresses in M3U lines and PLS entries, their names, and that the
// folder scan never queues them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "browse/formats.h"
#include "browse/playlist.h"
#include "tests/browse/tree.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck {
namespace {

using fixtures::TempDir;
using testing::touch;
using testing::writefile;

class Stations : public ::testing::Test {
  protected:
    std::vector<QueueEntry> load(const std::string& name, const std::string& text) {
        const std::string file = (tmp / name).string();
        writefile(file, text);
        loadplaylistfile(queue, file, {"/nowhere", 1});
        return queue.entries();
    }
    std::string path(const std::string& name) const { return (tmp / name).string(); }

    TempDir tmp;
    PlayQueue queue;
};

// Addresses are queued as they stand, between files, named by the #EXTINF before them or by
// their address; a title line does not name the file after a station.
TEST_F(Stations, M3uAddressesAreQueuedBesideFilesWithTheirTitles) {
    touch(tmp / "song.mp3");
    const auto queued = load("radio.m3u8",
                             "#EXTM3U\r\n#EXTINF:-1, Jazz Radio \r\nhttp://127.0.0.1:8000/jazz\r\n"
                             "song.mp3\n  https://radio.example.org/live.ogg  \n"
                             "#EXTINF:-1,Forgotten\n#EXTINF:-1,Late Night\nHTTP://a.example/n\n"
                             "ftp://example.org/x.mp3\nhttp://\n");
    const std::vector<QueueEntry> expected = {
        {"Jazz Radio", "http://127.0.0.1:8000/jazz"},
        {"Song", path("song.mp3")},
        {"radio.example.org/live.ogg", "https://radio.example.org/live.ogg"},
        {"Late Night", "HTTP://a.example/n"},
    };
    EXPECT_EQ(queued, expected);
}

// PLS entries play in the order of their numbers, whatever the order of the lines; titles go
// with their numbers; files in a PLS resolve as in an M3U; odd lines are skipped.
TEST_F(Stations, PlsEntriesPlayInTheOrderOfTheirNumbers) {
    touch(tmp / "sub" / "local.mp3");
    const auto queued = load("stations.PLS",
                             "[playlist]\nNumberOfEntries=4\nTitle2=Second\n"
                             "File2=http://two.example/stream\nFile10=sub/local.mp3\n"
                             " File1 = https://one.example/a.mp3 \nTitle1=First\n"
                             "File3=\nFileX=http://bad.example/\nLength1=-1\nVersion=2\n"
                             "garbage line\nFile99999999=http://toolong.example/\n");
    const std::vector<QueueEntry> expected = {
        {"First", "https://one.example/a.mp3"},
        {"Second", "http://two.example/stream"},
        {"Local", path("sub/local.mp3")},
    };
    EXPECT_EQ(queued, expected);
}

TEST_F(Stations, PlsFilesAreListedAsPlaylistsAndNeverScanned) {
    EXPECT_EQ(file_kind_of("Radio.pls"), FileKind::Playlist);
    EXPECT_EQ(file_kind_of("radio.PLS"), FileKind::Playlist);
    EXPECT_FALSE(ScanFormats("mp3 pls m3u").queues("radio.pls"));
}

}  // namespace
}  // namespace tunedeck
