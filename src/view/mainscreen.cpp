#include "view/mainscreen.h"

#include "view/icons.h"

namespace tunedeck {
namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0;

ElementProps label(const char* font, double size, bool bold, int32_t width, int32_t height,
                   uint32_t colour = kWhite) {
    ElementProps p;
    p.kind = ElementKind::Label;
    p.font = {font, size, bold};
    p.forecolor = colour;
    p.width = width;
    p.height = height;
    return p;
}

ElementProps image(int32_t width, int32_t height, bool shown) {
    ElementProps p;
    p.kind = ElementKind::Image;
    p.width = width;
    p.height = height;
    p.visible = shown;
    return p;
}

ElementProps highlight() {
    ElementProps p;
    p.kind = ElementKind::Shape;
    p.shape = ShapeKind::RoundedRectangle;
    p.height = 480;
    p.border = true;
    p.bordercolor = kWhite;
    p.borderwidth = 1;
    p.fillstyle = FillStyle::Solid;
    p.fillcolor = kBlack;
    return p;
}

ElementProps band() {
    ElementProps p;
    p.kind = ElementKind::Shape;
    p.border = false;
    p.fillstyle = FillStyle::DiagonalCross;
    return p;
}

ElementProps line() {
    ElementProps p;
    p.kind = ElementKind::Line;
    p.bordercolor = kWhite;
    p.borderwidth = 2;
    return p;
}

ElementProps blank() {
    ElementProps p;
    p.kind = ElementKind::Shape;
    p.border = false;
    p.fillstyle = FillStyle::Solid;
    p.fillcolor = kBlack;
    p.width = 375;
    p.height = 375;
    p.visible = false;
    return p;
}

ElementProps hidden(ElementProps p) {
    p.visible = false;
    return p;
}

ElementProps withcaption(ElementProps p, const char* caption) {
    p.caption = caption;
    return p;
}

ElementProps rightaligned(ElementProps p) {
    p.alignment = Alignment::Right;
    return p;
}

ElementProps stretched(ElementProps p) {
    p.stretch = true;
    return p;
}

// An icon holder, never shown, holding a picture drawn at the size rows show it.
Element& iconholder(Screen& screen, int32_t side, IconKind kind) {
    Element& e = screen.add(stretched(image(side, side, false)));
    e.picture = drawicon(kind, screen.scale().px(480));
    return e;
}

}  // namespace

MainScreen::MainScreen(Screen& s)
    : screen(s),
      shpBackground(s.add(band())),
      shpHighlight(s.add(highlight())),
      shpLine1(s.add(line())),
      shpLine2(s.add(line())),
      lblTitleShadow(s.add(label("Trebuchet MS", 36, true, 9255, 975, kBlack))),
      lblTitle(s.add(label("Trebuchet MS", 36, true, 9255, 975))),
      lblItem(s.addarray(hidden(label("Trebuchet MS", 18, false, 0, 495)))),
      imgIcon(s.addarray(stretched(image(480, 480, false)))),
      lblMoreAbove(s.add(hidden(withcaption(label("Arial", 8.25, true, 1455, 255), "More Above")))),
      lblMoreBelow(s.add(hidden(withcaption(label("Arial", 8.25, true, 1455, 255), "More Below")))),
      imgCover(s.add(image(495, 495, true))),
      lblTrack(s.add(label("Trebuchet MS", 12, true, 0, 495))),
      lblState(s.add(label("Trebuchet MS", 12, true, 0, 375))),
      lblPlaylist(s.add(label("Trebuchet MS", 12, true, 0, 375))),
      lblTime(s.add(rightaligned(label("Trebuchet MS", 12, true, 2895, 375)))),
      lblSaverTrack(s.add(hidden(label("Trebuchet MS", 12, true, 0, 1215)))),
      imgMusic(iconholder(s, 480, IconKind::Music)),
      imgPlaylisted(iconholder(s, 480, IconKind::Queued)),
      imgPlaylist(iconholder(s, 480, IconKind::Playlist)),
      imgAlbum(iconholder(s, 405, IconKind::Folder)),
      shpBlack(s.add(blank())) {
    lblTitle.left = 500;
    lblTitle.top = 200;
    lblTitleShadow.left = 570;
    lblTitleShadow.top = 270;
}

}  // namespace tunedeck
