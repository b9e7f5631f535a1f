// Error codes of the CD command strings and their English texts. Codes start above 256 like the
// operating system's own device errors, so that 0 stays "success".
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string_view>

namespace tunedeck::cd {

enum class Error : uint32_t {
    None = 0,
    UnknownCommand = 257,
    UnknownDevice,
    BadKeyword,
    MissingParameter,
    TrackOutOfRange,
    PositionOutOfRange,
    BadNumber,
    NotReady,
    DoorOpen,
    NoDrive,
    CannotOpen,
    AliasInUse,
    NoAudio,
    AudioOutput,
    UnsupportedType,
    CommandTooLong,
    Internal,
    OutputSetting,
};

// The text for a code; empty for codes that are not ours.
std::string_view errortext(uint32_t code);

// Thrown inside the layer; the command entry points turn it into its code.
class CdError : public std::runtime_error {
  public:
    explicit CdError(Error code)
        : std::runtime_error(std::string(errortext(uint32_t(code)))), code_(code) {}
    Error code() const { return code_; }

  private:
    Error code_;
};

}  // namespace tunedeck::cd
