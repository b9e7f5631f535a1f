// The loudness cache's reader on arbitrary file contents, and writing back what it read.

#include "audio/loudnesscache.h"
#include "fuzz/fuzz_common.h"

using namespace tunedeck;

namespace {
fuzzing::fs::path cachefile;
fuzzing::fs::path rewritten;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::writeseeds({
        "tunedeck loudness 1\n100\t-5\t2.25\t0.5\tTab\\tAlbum\t/m/a\\nb.flac\n",
        "tunedeck loudness 1\n7\t1700000000123456789\t-\t0\t\t/m/silence.flac\n1\t1\t1e308\t",
        "tunedeck loudness 1\n1\t2\t3\t4\t\\\t\\q\n\n\t\t\t\t\t\n",
    });
    cachefile = fuzzing::scratchfolder("loudnesscache") / "loudness.cache";
    rewritten = cachefile.parent_path() / "rewritten.cache";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzing::writefile(cachefile, {reinterpret_cast<const char*>(data), size});
    const LevelTable table = readlevelcache(cachefile, 64);
    if (table.size() > 64) __builtin_trap();
    // What was read is written and read back the same.
    if (writelevelcache(rewritten, table) && readlevelcache(rewritten, 64).size() != table.size())
        __builtin_trap();
    return 0;
}
