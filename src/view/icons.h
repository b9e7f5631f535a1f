// The four kind icons, drawn by code at the size rows show them so they stay sharp on any
// display: folder, playable entry, queued playable entry, playlist file.
#pragma once

#include "platform/screen/picture.h"

namespace tunedeck {

enum class IconKind { Music, Queued, Playlist, Folder };

// An icon `sizepx` pixels square with a transparent background.
PictureRef drawicon(IconKind kind, int sizepx);

}  // namespace tunedeck
