#include "browse/browser.h"

#include "browse/listing.h"
#include "browse/names.h"
#include "browse/playlist.h"
#include "browse/scan.h"

namespace tunedeck {

namespace {

// The root is read once per operation: only an edit of the settings file during the operation
// itself could tell the difference.
NameOptions nameoptions(Browser& browser) {
    return {browser.settings_reader.rootpath(), browser.settings.fixnames};
}

}  // namespace

void createitems(Browser& browser) {
    if (browser.mode.mediamode == kFileMode) {
        createfolderitems(browser.state, browser.folders, nameoptions(browser),
                          browser.settings.perpage);
    } else if (browser.mode.mediamode == kCdMode) {
        const StatusQuery query = [&browser](const std::string& command, char* reply,
                                             uint32_t size) {
            // Status queries ignore the return code: a failure leaves the buffer as it was.
            mciSendStringA(browser.mci, command.c_str(), reply, size, nullptr);
        };
        createtrackitems(browser.state, browser.mode.cdtracks, browser.settings.perpage, query);
    } else {
        clearitems(browser.state);
        browser.state.itemcount = 0;
        browser.state.pages = 0;
    }
}

void levelchange(Browser& browser) {
    recordlevel(browser.state, currentfolder(browser), browser.settings_reader.rootpath());
}

void createletters(Browser& browser) {
    createletterindex(browser.state, browser.folders, nameoptions(browser),
                      browser.settings.perpage);
}

std::string displayname(Browser& browser, std::string_view text) {
    return displayname(text, nameoptions(browser));
}

void loadplaylist(Browser& browser, const std::string& file) {
    loadplaylistfile(browser.queue, file, nameoptions(browser));
}

bool scan(Browser& browser, const std::string& cdir) {
    if (browser.mode.mediamode != kFileMode) {
        if (!browser.mcicommand) return true;
        browser.mcicommand("stop cd wait");
        browser.mcicommand("seek cd to 1");
        browser.mcicommand("play cd");
        return true;
    }
    Playback& playback = browser.playback;
    PlayQueue& queue = browser.queue;
    const ScanPlayer player{
        [&playback, &queue] {
            return BASS_ChannelIsActive(playback.bass(), queue.stream) != BASS_ACTIVE_STOPPED;
        },
        [&playback](const std::string& path) { return playback.playfile(path); }};
    return scanfolders(browser.folders, browser.queue, cdir, nameoptions(browser),
                       ScanFormats(browser.settings.scanformats), player);
}

}  // namespace tunedeck
