// Playlist files: M3U (.m3u, .m3u8) and PLS (.pls).
#pragma once

#include <cstddef>
#include <string>

#include "audio/queue.h"
#include "browse/names.h"

namespace tunedeck {

// Longest playlist line read; longer lines are skipped whole.
inline constexpr std::size_t kMaxPlaylistLine = 64 * 1024;

// Replaces the play queue by the existing files the playlist names, in file order, and sets
// playlistpos to 0. Lines end at CR, LF or CR LF; a leading UTF-8 byte-order mark is skipped;
// lines starting with '#' are skipped. A line starting with '/' is a full path, and so is a
// file:// URL (percent-decoded); a Windows drive path ("C:\..." or "C:/...") names no file here;
// any other line is relative to the playlist's folder, with '\' read as '/', even when it holds
// a colon. A line that is not valid UTF-8 and names no file is tried again as Windows-1252.
// A line (or a PLS "FileN=" value) that is an http:// or https:// address is a station: it is
// queued as it stands, named by the "#EXTINF" line before it (or the PLS "TitleN=") or else by
// its address. PLS entries are queued in the order of their numbers.
// Rows past the new count keep their text. A file that cannot be read yields an empty queue.
void loadplaylistfile(PlayQueue& queue, const std::string& file, const NameOptions& names);

}  // namespace tunedeck
