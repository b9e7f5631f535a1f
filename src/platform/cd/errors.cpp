#include "platform/cd/errors.h"

#include <array>
#include <utility>

namespace tunedeck::cd {

namespace {

constexpr std::array<std::pair<Error, std::string_view>, 18> kTexts{{
    {Error::UnknownCommand, "The command is not recognised by the CD device."},
    {Error::UnknownDevice,
     "The device alias named in the command is not open. Open the device first."},
    {Error::BadKeyword, "The command contains a word or value the CD device does not accept."},
    {Error::MissingParameter, "The command is missing a required word or value."},
    {Error::TrackOutOfRange, "The track number is out of range for the disc in the drive."},
    {Error::PositionOutOfRange, "The position is out of range for the disc in the drive."},
    {Error::BadNumber, "A number was expected, but the value given is not a valid number."},
    {Error::NotReady, "There is no disc in the drive, or the drive is not ready."},
    {Error::DoorOpen, "The drive tray is open. Close it and try again."},
    {Error::NoDrive,
     "No CD drive was found. Set the drive in settings.ini, section [cd], key device: a "
     "device path such as /dev/sr0, a disc image (.cue, .toc, .nrg), or none to play music "
     "files without a drive."},
    {Error::CannotOpen,
     "The CD drive or disc image could not be opened. Check [cd] device in settings.ini: it "
     "must name a CD device such as /dev/sr0, a readable disc image (.cue, .toc, .nrg) whose "
     "data file exists, or none."},
    {Error::AliasInUse, "The device alias is already in use. Close it first or choose another."},
    {Error::NoAudio, "There is no audio track to play at this position; data tracks never play."},
    {Error::AudioOutput, "The audio output could not be opened to play the disc."},
    {Error::UnsupportedType, "Only the cdaudio device type can be opened."},
    {Error::CommandTooLong, "The command string is too long."},
    {Error::Internal, "The CD device failed unexpectedly."},
    {Error::OutputSetting,
     "The disc cannot be played into the output named in settings.ini, section [audio], key "
     "output: it must be empty, for the sound card, or pipe: followed by the path of a named "
     "pipe (FIFO) that can be opened for writing."},
}};

}  // namespace

std::string_view errortext(uint32_t code) {
    for (const auto& [c, text] : kTexts) {
        if (uint32_t(c) == code) return text;
    }
    return {};
}

}  // namespace tunedeck::cd
