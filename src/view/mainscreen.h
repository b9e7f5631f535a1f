// The main screen's elements under their designed names, created with their design
// properties and in their stacking order (gradient image, hatched band, highlight, then lines,
// labels and images; the screen-saver blank on top).
// UI thread only.
#pragma once

#include "platform/screen/element.h"
#include "platform/screen/screen.h"

namespace tunedeck {

struct MainScreen {
    explicit MainScreen(Screen& screen);
    MainScreen(const MainScreen&) = delete;
    MainScreen& operator=(const MainScreen&) = delete;

    Screen& screen;
    Element& shpBackground;
    Element& shpHighlight;
    Element& shpLine1;
    Element& shpLine2;
    Element& lblTitleShadow;
    Element& lblTitle;
    ElementArray& lblItem;  // row labels; element 0 is the template
    ElementArray& imgIcon;  // row icons; element 0 is the template
    Element& lblMoreAbove;
    Element& lblMoreBelow;
    Element& imgCover;
    Element& lblTrack;
    Element& lblState;
    Element& lblPlaylist;
    Element& lblTime;
    Element& lblSaverTrack;
    // Icon holders, never shown: rows show copies of their pictures.
    Element& imgMusic;
    Element& imgPlaylisted;
    Element& imgPlaylist;
    Element& imgAlbum;
    Element& shpBlack;
};

}  // namespace tunedeck
