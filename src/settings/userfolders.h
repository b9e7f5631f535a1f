// The user's own folders: the home folder, and the state folder that holds every file Tunedeck
// writes (paired phones, the saved play state, caches). A packaged program's folder and /etc
// belong to root, so nothing is ever written there.
// Any thread; they read the environment, which the program never changes.
#pragma once

#include <filesystem>
#include <string>

namespace tunedeck {

// $HOME; when unset or empty, the home folder in the password database; else "/".
std::string homefolder();

// The folder for the files Tunedeck writes: $XDG_STATE_HOME/tunedeck, or
// ~/.local/state/tunedeck when XDG_STATE_HOME is unset, empty or relative (the base directory
// rules ignore a relative one).
std::filesystem::path statefolder();
// The same from given values: `xdgstatehome` null when unset.
std::filesystem::path statefolderfor(const char* xdgstatehome, const std::string& home);

// Makes `folder` and every missing folder above it with mode 0700: what Tunedeck keeps there
// (phones' keys among it) is for its user alone. An existing folder is left as it is. False
// when it cannot be made or is not a folder.
bool makestatefolder(const std::filesystem::path& folder);

// Moves `legacy`, a file an older Tunedeck wrote in its own folder, to `target`, once: only while
// `target` does not exist and `legacy` is a regular file. Where it cannot be renamed (another
// file system, a folder its user may not change) its contents are copied with mode 0600 and
// `legacy` is removed if it may be; a copy left behind is never read again, since `target`
// exists from then on. True when `target` was made.
bool adoptlegacyfile(const std::filesystem::path& legacy, const std::filesystem::path& target);

}  // namespace tunedeck
