// The audio library's helper routines the application uses, in one place.
#pragma once

#include <string>

#include "platform/audio/bass.h"

namespace tunedeck {
std::string bassversion(AudioLibrary& bass);
std::string basserrortext(int code);
int32_t makelong(int32_t low, int32_t high);
float bytestoseconds(AudioLibrary& bass, DWORD handle, QWORD bytes);
}  // namespace tunedeck
