// The small routines between the system and the audio library: version text, 16-bit words,
// the flags builder, bytes to seconds and the library's error texts.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/audio/bass.h"

namespace tunedeck {

// An arithmetic overflow, carrying the name of the routine it came from.
class OverflowError : public std::overflow_error {
  public:
    explicit OverflowError(std::string source)
        : std::overflow_error("Overflow in " + source), source_(std::move(source)) {}
    const std::string& source() const { return source_; }

  private:
    std::string source_;
};

// "major.minor" from the library's version word (low word major, high word minor).
std::string bassversion(AudioLibrary& bass);
DWORD loword(DWORD value);
DWORD hiword(DWORD value);
// high × 65536 + low, through LShift (so it overflows like it).
int32_t makelong(int32_t low, int32_t high);
// value × 2^bits as a signed 32-bit number; throws OverflowError("LShift") outside that range.
int32_t LShift(int32_t value, int bits);
float bytestoseconds(AudioLibrary& bass, DWORD handle, QWORD bytes);
// English text of a library error code; empty for codes the library does not define.
std::string basserrortext(int code);

}  // namespace tunedeck
