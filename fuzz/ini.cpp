// The INI reader and writer on arbitrary file contents.

#include "fuzz/fuzz_common.h"
#include "platform/profile/profile.h"

using namespace tunedeck;

namespace {
fuzzing::fs::path inifile;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::writeseeds({
        "[display]\nperpage=8\ncolor1r = 12 \n[system]\npath=/music\n",
        "\xEF\xBB\xBF[System]\r\nPATH=\"/a b\"\r\n;comment\r\nsavertime=30\r",
        "key=before\n[dup]\na=1\n[dup]\na=2\n[broken\nb=3\n",
    });
    inifile = fuzzing::scratchfolder("ini") / "settings.ini";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzing::writefile(inifile, {reinterpret_cast<const char*>(data), size});
    const char* file = inifile.c_str();
    char buffer[255];
    char list[8192];
    GetPrivateProfileStringA("display", "perpage", "11", buffer, sizeof buffer, file);
    GetPrivateProfileStringA("system", "path", "", buffer, sizeof buffer, file);
    GetPrivateProfileStringA(nullptr, nullptr, "", list, sizeof list, file);
    GetPrivateProfileStringA("system", nullptr, "", list, 7, file);
    WritePrivateProfileStringA("system", "path", "/music", file);
    GetPrivateProfileStringA("system", "path", "", buffer, sizeof buffer, file);
    WritePrivateProfileStringA("display", "perpage", nullptr, file);
    WritePrivateProfileStringA("dup", nullptr, nullptr, file);
    return 0;
}
