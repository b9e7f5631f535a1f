// Playlist files of arbitrary bytes, read as M3U and as PLS, resolved against a small real folder;
// and the stations' ICY titles.

#include "browse/playlist.h"
#include "audio/queue.h"
#include "fuzz/fuzz_common.h"
#include "platform/audio/streamtitle.h"

using namespace tunedeck;

namespace {
fuzzing::fs::path folder;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::writeseeds({
        "#EXTM3U\r\n01 - One.mp3\r\nsub\\02 - Two.mp3\r\n/tmp/none.mp3\r\n",
        "\xEF\xBB\xBF"
        "01 - One.mp3\rsub/02 - Two.mp3\n\xE9t\xE9.mp3\n",
        "c:\\music\\x.mp3\n\n\n#comment\n",
        "#EXTM3U\n#EXTINF:-1,Jazz\nhttp://127.0.0.1:9/jazz\nhttps://a.example/x.ogg\n",
        "[playlist]\nFile1=http://a.example/\nTitle1=A\nFile2=01 - One.mp3\nNumberOfEntries=2\n",
        "StreamTitle='Artist - Song';StreamUrl='';",
    });
    folder = fuzzing::scratchfolder("playlist");
    fuzzing::fs::create_directories(folder / "sub");
    fuzzing::writefile(folder / "01 - One.mp3", "");
    fuzzing::writefile(folder / "sub" / "02 - Two.mp3", "");
    fuzzing::writefile(folder / "\xC3\xA9t\xC3\xA9.mp3", "");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    for (const char* name : {"list.m3u", "list.pls"}) {
        auto file = folder / name;
        fuzzing::writefile(file, bytes);
        auto queue = std::make_unique<PlayQueue>();
        NameOptions names{folder.string(), true};
        loadplaylistfile(*queue, file.string(), names);
        if (queue->playlistcount < 0 ||
            static_cast<std::size_t>(queue->playlistcount) != queue->playlist.size())
            __builtin_trap();
    }
    if (icystreamtitle(bytes).size() > 2 * bytes.size()) __builtin_trap();
    return 0;
}
