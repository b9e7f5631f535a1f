// Even loudness from file to file: the gain a file plays at, from its ReplayGain tags (or its
// measured loudness), the levelling mode and the pre-amplification. UI thread only.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

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
// `tags` are the row's own; `albumof` gives another row's album tag when the folders differ
// (empty when it is not known).
using AlbumLookup = std::function<std::string(const std::string& path)>;
bool albumrun(const PlayQueue& queue, int row, const LoudnessTags& tags,
              const AlbumLookup& albumof);
// Whether the file at `other` is of the same album as the one at `path` with `tags`.
bool samealbum(const std::string& path, const LoudnessTags& tags, const std::string& other,
               const AlbumLookup& albumof);

// The paths of the queue's entries in the order they play from the one after playlistpos on,
// round to the one playing last; at most `limit` of them.
std::vector<std::string> upcomingpaths(const PlayQueue& queue, std::size_t limit);

}  // namespace tunedeck
