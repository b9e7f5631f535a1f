// Display names, folder listings and the letter index on arbitrary file names.

#include "browse/names.h"
#include "browse/listing.h"
#include "browse/model.h"
#include "fuzz/fuzz_common.h"
#include "platform/folders/folderlists.h"

using namespace tunedeck;

namespace {
fuzzing::fs::path root;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::writeseeds(
        {"01_-_the_BAND.mp3", "\xff\xfe.MP3", "a/b\\c.m3u", "_9 lives.wav", "Łódź.mp3"});
    root = fuzzing::scratchfolder("names");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    for (bool fix : {false, true}) displayname(text, NameOptions{root.string(), fix});
    displayname(root.string() + "/" + text, NameOptions{root.string(), true});

    // The same bytes as a file name and as a folder name in a real folder (a name holds no '/'
    // or NUL and is at most 255 bytes; other names cannot exist, so they are skipped).
    std::string name = text.substr(0, 200);
    if (name.empty() || name.find('/') != std::string::npos ||
        name.find('\0') != std::string::npos || name == "." || name == "..")
        return 0;
    std::error_code ec;
    fuzzing::fs::remove_all(root, ec);
    fuzzing::fs::create_directories(root / (name + ".d"), ec);
    fuzzing::writefile(root / (name + ".mp3"), "");
    fuzzing::writefile(root / name, "");

    auto state = std::make_unique<BrowseState>();
    FolderLists folders;
    folders.setpath(root.string());
    for (std::string letter : {"", "#", "A"}) {
        state->letter = letter;
        createfolderitems(*state, folders, NameOptions{root.string(), true}, 11);
    }
    createletterindex(*state, folders, NameOptions{root.string(), true}, 11);
    if (state->itemcount() < 0) __builtin_trap();
    return 0;
}
