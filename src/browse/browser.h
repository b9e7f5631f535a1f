// The browsing model's operations over the application's shared state, under their designed
// names. The application builds one Browser of references and passes it to every call.
// UI thread only.
#pragma once

#include <string>
#include <string_view>

#include "audio/cddeck.h"
#include "audio/playback.h"
#include "audio/queue.h"
#include "browse/model.h"
#include "browse/scan.h"
#include "platform/folders/folderlists.h"
#include "settings/settings.h"

namespace tunedeck {

struct Browser {
    BrowseState& state;
    RunMode& mode;
    const Settings& settings;
    SettingsReader& settings_reader;
    FolderLists& folders;
    PlayQueue& queue;
    Playback& playback;
    // The disc, for the key handler and the listing: its reply buffer is theirs.
    CdDeck& cd;
    // The folder scan in the background.
    FolderScan& scanner;
};

// Rebuilds the item table from the current folder (file mode) or the disc (CD mode).
void createitems(Browser& browser);
// Sets depth from the current folder and saves row and page there; call right after the
// current folder changed, before row and page are reset.
void levelchange(Browser& browser);
// Builds the letter index from the subfolders of the current folder.
void createletters(Browser& browser);
// The display text of a name or path, with the root read now and fixnames from the settings.
std::string displayname(Browser& browser, std::string_view text);
// Replaces the play queue by the files a playlist names; playlistpos becomes 0.
void loadplaylist(Browser& browser, const std::string& file);
// What a file-mode scan does with the files it finds: queue them and start playback, or only
// walk the tree for the index (the queue and the player are left alone, as when a restored
// queue plays).
enum class ScanUse { QueueAndPlay, WalkOnly };

// File mode: starts the scan of `cdir` in the background, which queues every music file of the
// scanformats setting below it and starts playback (unless `use` says WalkOnly); the current
// folder is set to `cdir` at once. CD mode: restarts the disc from track 1.
void scan(Browser& browser, const std::string& cdir, ScanUse use = ScanUse::QueueAndPlay);
// The same for a caller whose current folder is the one to scan, listed just now: the walk
// starts from that listing instead of reading the folder again.
void scanlisted(Browser& browser, ScanUse use);
// File mode, at start-up: the scan of the root, before anything is listed. The walk reads the
// root on its own thread while the caller builds the first screen; the current folder is left
// alone.
void scanroot(Browser& browser, ScanUse use);

// The current folder (the path of Dirs).
inline const std::string& currentfolder(const Browser& browser) {
    return browser.folders.Dirs().path();
}

}  // namespace tunedeck
