// Opening disc image files with libcdio from any working folder.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/lib/cdio/cdio.h"

namespace tunedeck::cd {

// Opens an image (.cue, .toc, .nrg); throws CdioError when it cannot be opened. A cue sheet's
// data files are found beside it by libcdio itself; for a toc, which libcdio resolves against
// the working folder, the relative data file names are first made absolute in a private copy.
CdioHandle openimage(const std::filesystem::path& file, driver_id_t driver);

// The text of a toc with each relative data file name (after FILE, AUDIOFILE, DATAFILE, FIFO)
// put under `folder`; nullopt when `folder` cannot be written inside a toc string.
std::optional<std::string> absolutetoc(std::string_view text, const std::filesystem::path& folder);

}  // namespace tunedeck::cd
