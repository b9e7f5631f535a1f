// What the remote's browser tests read off the television: the pairing code in its lower band.
#pragma once

#include <string>

#include "e2e/harness.h"

namespace tunedeck::e2e {

// The six digits of the pairing code in a screenshot `shot` (saved as `png`), read by OCR;
// empty when none could be read.
std::string readcode(const Jukebox& box, const Screenshot& shot, const fs::path& png);

}  // namespace tunedeck::e2e
