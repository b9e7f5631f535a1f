#include "view/view.h"

namespace tunedeck {

void startuplayout(View& view) {
    MainScreen& f = view.form;
    const int32_t wide = f.screen.width(), high = f.screen.height();
    f.lblItem.templ().width = wide - 1000;
    f.shpBackground.left = 0;
    f.shpBackground.top = 1300;
    f.shpBackground.width = wide;
    f.shpBackground.height = high - 2500;
    f.shpLine1.x1 = 0, f.shpLine1.y1 = 1300, f.shpLine1.x2 = wide, f.shpLine1.y2 = 1300;
    const int32_t y = f.shpBackground.top + f.shpBackground.height;
    f.shpLine2.x1 = 0, f.shpLine2.y1 = y, f.shpLine2.x2 = wide, f.shpLine2.y2 = y;
    f.lblTrack.left = 500;
    f.lblTrack.top = y + 100;
    f.lblTrack.width = wide;
    f.lblState.left = 500;
    f.lblState.top = f.lblTrack.top + f.lblTrack.height - 190;
    f.lblState.width = wide - 1000;
    f.lblPlaylist.left = 500;
    f.lblPlaylist.top = f.lblState.top + f.lblState.height - 90;
    f.lblPlaylist.width = wide - 1000;
    f.lblTime.left = wide - f.lblTime.width - 500;
    f.lblTime.top = f.lblState.top;
    f.screen.setbackcolor(view.settings.color2);
    f.shpBackground.fillcolor = view.settings.color2;
    f.lblTime.backcolor = f.screen.backcolor();
    rendergradient(f.screen.background(), f.screen.width() + 100, f.screen.height() + 100,
                   view.settings.color1, view.settings.color2, 1);
}

void layoutsavertrack(View& view) {
    view.form.lblSaverTrack.width = view.form.screen.width();
}

}  // namespace tunedeck
