// What stands behind an open CD device: a physical drive, a disc image, or no drive at all.
// Implementations are safe to call from the UI thread and the reader thread at once, and never
// make the UI thread wait for a read.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/cd/toc.h"

namespace tunedeck::cd {

enum class DriveState { Ready, Open, NotReady };

class Drive {
  public:
    virtual ~Drive() = default;
    // UI thread. Looks at the tray and the disc; a changed disc is read anew.
    virtual DriveState state() = 0;
    // UI thread. The disc's contents; only meaningful while state() is Ready.
    virtual Toc toc() = 0;
    // UI thread. Opens or closes the tray; false when the drive cannot.
    virtual bool setdoor(bool open) = 0;
    // Reader thread. Reads `count` audio sectors (2352 bytes each) from `lsn` into `out`;
    // false when the disc cannot be read (removed, damaged past the retry budget).
    virtual bool readaudio(int32_t lsn, uint32_t count, int16_t* out) = 0;
};

// The drive as the settings name it: the value of "[cd] device", empty for the system's first
// drive, "none", a device path or a disc image (.cue, .toc, .nrg); a relative path is taken
// from `folder`. Blanks around the value do not count.
struct DriveTarget {
    std::string setting;
    std::filesystem::path folder;
};

// The disc image the target names; nullopt when it names a drive or none.
std::optional<std::filesystem::path> imagefile(const DriveTarget& target);

// Opens what the target names: empty is the system's first drive, or no drive (as "none")
// when there is none. Throws CdError(CannotOpen) when a drive or image cannot be opened.
std::unique_ptr<Drive> opendrive(const DriveTarget& target);

}  // namespace tunedeck::cd
