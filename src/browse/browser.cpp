#include "browse/browser.h"

#include <memory>

#include "browse/listing.h"
#include "browse/names.h"
#include "browse/playlist.h"

namespace tunedeck {

namespace {

// The root is read once per operation: only an edit of the settings file during the operation
// itself could tell the difference.
NameOptions nameoptions(Browser& browser) {
    return {browser.settings_reader.rootpath(), browser.settings.fixnames};
}

}  // namespace

void createitems(Browser& browser) {
    if (browser.mode.mediamode == Mode::File) {
        createfolderitems(browser.state, browser.folders, nameoptions(browser),
                          browser.settings.perpage);
    } else {
        createtrackitems(browser.state, browser.mode.cdtracks, browser.settings.perpage,
                         browser.cd);
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

void scan(Browser& browser, const std::string& cdir, ScanUse use) {
    if (browser.mode.mediamode == Mode::File) browser.folders.setpath(cdir);
    scanlisted(browser, use);
}

void scanlisted(Browser& browser, ScanUse use) {
    if (browser.mode.mediamode == Mode::Cd) {
        browser.cd.stop();
        browser.cd.rewind();
        browser.cd.resume();
        return;
    }
    browser.scanner.start(browser.folders, nameoptions(browser),
                          ScanFormats(browser.settings.scanformats), use == ScanUse::QueueAndPlay);
}

void scanroot(Browser& browser, ScanUse use) {
    browser.scanner.start(browser.settings_reader.rootpath(), nameoptions(browser),
                          ScanFormats(browser.settings.scanformats), use == ScanUse::QueueAndPlay);
}

}  // namespace tunedeck
