// Entry point of every test program: the SDL drivers that run without a sound card or a display
// (SDL's disk audio driver writes what was played to a file the tests analyse), and where the
// build folder is. Values already in the environment are kept.
#include <gtest/gtest.h>

#include <cstdlib>

// Fontconfig keeps a small cache block for the life of the process; it is not ours to free.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

// The HTTP library is a shared library built without ThreadSanitizer: the sanitizer cannot see
// the synchronisation inside it, so the standard functions it calls on data it handed between
// its own threads look like races. Our handlers it calls are instrumented and still checked.
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libcpp-httplib.so\n";
}

int main(int argc, char** argv) {
    setenv("SDL_AUDIODRIVER", "disk", 0);
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("TUNEDECK_BUILD_DIR", TUNEDECK_BUILD_DIR, 0);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
