// One libcdio handle on a CD drive or a disc image. Not synchronised: a handle is used by one
// thread at a time, and a drive gives each of its threads a handle of its own.
#pragma once

#include <cdio/cdio.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "platform/cd/toc.h"

namespace tunedeck::cd {

class DiscIo {
  public:
    virtual ~DiscIo() = default;
    virtual bool trayopen() = 0;
    // True when another disc has been put in since the handle last looked.
    virtual bool discchanged() = 0;
    // The table of contents; empty when there is no readable disc.
    virtual Toc readtoc() = 0;
    // Opens or closes the tray; false when the drive cannot.
    virtual bool setdoor(bool open) = 0;
    // Reads `count` audio sectors (2352 bytes each) from `lsn` into `out`; false when they
    // cannot be read (no disc, damaged past the retry budget).
    virtual bool readaudio(int32_t lsn, uint32_t count, int16_t* out) = 0;
};

// Opens a fresh handle on the same drive or image; null when it cannot be opened. Safe to
// call from any thread once the first handle is open (libcdio initialises itself then).
using DiscOpener = std::function<std::unique_ptr<DiscIo>()>;

// A physical drive such as /dev/sr0. Reads go through paranoia with a bounded retry budget.
DiscOpener deviceopener(std::string device);
// A disc image. Its tray is a flag shared by every handle of the opener: closed until one of
// them opens it.
DiscOpener imageopener(std::filesystem::path file, driver_id_t driver);

}  // namespace tunedeck::cd
