// Playlist files of arbitrary bytes, resolved against a small real folder.

#include "browse/playlist.h"
#include "audio/queue.h"
#include "fuzz/fuzz_common.h"

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
    });
    folder = fuzzing::scratchfolder("playlist");
    fuzzing::fs::create_directories(folder / "sub");
    fuzzing::writefile(folder / "01 - One.mp3", "");
    fuzzing::writefile(folder / "sub" / "02 - Two.mp3", "");
    fuzzing::writefile(folder / "\xC3\xA9t\xC3\xA9.mp3", "");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto file = folder / "list.m3u";
    fuzzing::writefile(file, {reinterpret_cast<const char*>(data), size});
    auto queue = std::make_unique<PlayQueue>();
    NameOptions names{folder.string(), true};
    loadplaylistfile(*queue, file.string(), names);
    if (queue->playlistcount < 0 ||
        static_cast<std::size_t>(queue->playlistcount) != queue->playlist.size())
        __builtin_trap();
    return 0;
}
