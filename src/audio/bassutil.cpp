#include "audio/bassutil.h"

#include <array>
#include <cmath>
#include <limits>
#include <string_view>

namespace tunedeck {

namespace {

// Codes 0 to 38; an empty entry is a code the library does not define.
constexpr std::array<std::string_view, 39> kErrorTexts = {
    "All is OK",
    "Memory Error",
    "Can't Open the File",
    "Can't Find a Free Sound Driver",
    "The Sample Buffer Was Lost - Please Report This!",
    "Invalid Handle",
    "Unsupported Format",
    "Invalid Playback Position",
    "BASS_Init Has Not Been Successfully Called",
    "BASS_Start Has Not Been Successfully Called",
    "Can't Initialize CD",
    "BASS_CDInit Has Not Been Successfully Called",
    "No CD in drive",
    "Can't Play the Selected CD Track",
    "Already Initialized",
    "CD Has No Volume Control",
    "Not Paused",
    "Not An Audio Track",
    "Can't Get a Free Channel",
    "An Illegal Type Was Specified",
    "An Illegal Parameter Was Specified",
    "No 3D Support",
    "No EAX Support",
    "Illegal Device Number",
    "Not Playing",
    "Illegal Sample Rate",
    "A3D.DLL is Not Installed",
    "The Stream is Not a File Stream (WAV/MP3)",
    "",
    "No Hardware Voices Available",
    "",
    "The MOD music has no sequence data",
    "No Internet connection could be opened",
    "Couldn't create the file",
    "Effects are not enabled",
    "The channel is playing",
    "",
    "The requested data is not available",
    "The channel is a 'decoding channel'",
};

}  // namespace

std::string bassversion(AudioLibrary& bass) {
    const DWORD first = BASS_GetVersion(bass);
    const DWORD second = BASS_GetVersion(bass);
    return std::to_string(loword(first)) + "." + std::to_string(hiword(second));
}

DWORD loword(DWORD value) {
    return value & 65535u;
}

DWORD hiword(DWORD value) {
    return (value / 65536u) & 65535u;
}

int32_t makelong(int32_t low, int32_t high) {
    return LShift(high, 16) | low;
}

int32_t LShift(int32_t value, int bits) {
    const double product = static_cast<double>(value) * std::pow(2.0, bits);
    if (!(product >= std::numeric_limits<int32_t>::min() &&
          product <= std::numeric_limits<int32_t>::max())) {
        throw OverflowError("LShift");
    }
    return static_cast<int32_t>(product);
}

float bytestoseconds(AudioLibrary& bass, DWORD handle, QWORD bytes) {
    return BASS_ChannelBytes2Seconds(bass, handle, bytes);
}

std::string basserrortext(int code) {
    if (code == -1) return "Some Other Mystery Error";
    if (code < 0 || code >= static_cast<int>(kErrorTexts.size())) return "";
    return std::string(kErrorTexts[static_cast<std::size_t>(code)]);
}

}  // namespace tunedeck
