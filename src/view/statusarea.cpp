// The status area below the list and the screen saver over it.
#include "view/view.h"

namespace tunedeck {
namespace {

void showline(Element& label, const std::optional<std::string>& text) {
    if (text) label.caption = *text;
}

void showstatuslines(MainScreen& f, bool visible) {
    for (Element* label : {&f.lblTrack, &f.lblTime, &f.lblPlaylist, &f.lblState})
        label->visible = visible;
}

}  // namespace

void showstatus(View& view, const StatusLines& status) {
    MainScreen& f = view.form;
    showline(f.lblTrack, status.track);
    showline(f.lblState, status.state);
    showline(f.lblPlaylist, status.playlist);
    showline(f.lblTime, status.clock);
}

void unblankscreen(View& view) {
    MainScreen& f = view.form;
    f.shpBlack.visible = false;
    showstatuslines(f, true);
    f.lblSaverTrack.visible = false;
}

void blankscreen(View& view) {
    MainScreen& f = view.form;
    f.shpBlack.width = f.screen.width();
    f.shpBlack.height = f.screen.height();
    f.shpBlack.left = 0;
    f.shpBlack.top = 0;
    f.screen.bringtofront(f.shpBlack);
    f.shpBlack.visible = true;
    showstatuslines(f, false);
}

void movesavertext(View& view, int32_t left, int32_t top) {
    MainScreen& f = view.form;
    f.lblSaverTrack.visible = false;
    f.lblSaverTrack.left = left;
    f.lblSaverTrack.top = top;
    f.lblSaverTrack.caption =
        f.lblTrack.caption + "\r\n" + f.lblState.caption + "\r\n" + f.lblPlaylist.caption;
    f.screen.bringtofront(f.lblSaverTrack);
    f.lblSaverTrack.visible = true;
}

}  // namespace tunedeck
