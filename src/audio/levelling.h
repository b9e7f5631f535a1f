// Even loudness from file to file: the gain a file plays at, from its ReplayGain tags (or its
// measured loudness), the levelling mode and the pre-amplification. UI thread only.
#pragma once

#include <optional>
#include <string>

#include "audio/queue.h"
#include "platform/audio/loudnesstags.h"
#include "settings/settings.h"

namespace tunedeck {

// The linear gain for a file with `tags`: its album's gain when `album` (else its track's),
// the other where the one asked for is missing, plus the pre-amplification, held down so that
// the tagged peak does not clip. `measured` (dB, the track's own) stands in for tags that give
// no gain at all; with neither, the file plays unchanged (1).
float levelgain(const LoudnessTags& tags, bool album, const LevelSettings& level,
                std::optional<double> measured = std::nullopt);

// Whether queue row `row` plays as part of an album: with `auto` levelling, while the row before
// or after it comes from the same album (the same folder, or the same album tag).
// `tags` are the row's own; `albumof` reads another row's album tag when the folders differ.
bool albumrun(const PlayQueue& queue, int row, const LoudnessTags& tags,
              std::string (*albumof)(const std::string& path));

}  // namespace tunedeck
