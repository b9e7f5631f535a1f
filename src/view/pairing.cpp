#include "view/pairing.h"

#include <algorithm>

#include "platform/lib/sdl/handles.h"

namespace tunedeck {
namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0;
constexpr int kQuietModules = 4;

ElementProps codelabel() {
    ElementProps p;
    p.kind = ElementKind::Label;
    p.font = {"Trebuchet MS", 20, true};
    p.forecolor = kWhite;
    p.backcolor = kBlack;
    p.opaque = true;
    p.alignment = Alignment::Center;
    p.visible = false;
    return p;
}

ElementProps qrimage() {
    ElementProps p;
    p.kind = ElementKind::Image;
    p.visible = false;
    return p;
}

ElementProps qrcaption() {
    ElementProps p = codelabel();
    p.font = {"Trebuchet MS", 14, true};
    return p;
}

// The code in the lower band: below the second line, at the right, clear of the clock.
void placecode(PairingView& view) {
    MainScreen& f = view.form;
    Element& code = view.lblPairCode;
    code.width = 7000;
    code.height = 600;
    code.left = f.screen.width() - code.width - 500;
    code.top = f.shpLine2.y1 + 60;
}

PictureRef qrpicture(const std::vector<uint8_t>& dark, int side, int modulepx) {
    const int modules = side + 2 * kQuietModules;
    const int px = modules * modulepx;
    SdlSurface surface = makesurface(px, px);
    SDL_FillRect(surface.get(), nullptr, 0xFFFFFFFF);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            if (dark[static_cast<std::size_t>(y * side + x)] == 0) continue;
            const SDL_Rect cell{(x + kQuietModules) * modulepx, (y + kQuietModules) * modulepx,
                                modulepx, modulepx};
            SDL_FillRect(surface.get(), &cell, 0xFF000000);
        }
    return std::make_shared<const Picture>(std::move(surface));
}

}  // namespace

PairingView::PairingView(MainScreen& f)
    : form(f),
      lblPairCode(f.screen.add(codelabel())),
      imgPairQr(f.screen.add(qrimage())),
      lblPairQr(f.screen.add(qrcaption())) {}

void showpairingcode(PairingView& view, const std::string& code) {
    placecode(view);
    view.lblPairCode.caption = "Phone pairing code: " + code;
    view.lblPairCode.visible = true;
    view.form.screen.bringtofront(view.lblPairCode);
}

void hidepairingcode(PairingView& view) {
    view.lblPairCode.visible = false;
}

void showpairingqr(PairingView& view, const std::vector<uint8_t>& dark, int side,
                   const std::string& caption) {
    Screen& s = view.form.screen;
    if (side <= 0 || dark.size() != static_cast<std::size_t>(side) * side) return;
    // Whole pixels per module keep the modules sharp; about half the screen's height in all.
    const int modules = side + 2 * kQuietModules;
    const int modulepx = std::max(2, s.heightpx() / 2 / modules);
    Element& qr = view.imgPairQr;
    s.setpicture(qr, qrpicture(dark, side, modulepx));
    qr.left = (s.width() - qr.width) / 2;
    qr.top = std::max(1400, (s.height() - qr.height) / 2 - 600);
    Element& text = view.lblPairQr;
    text.caption = caption;
    text.width = s.width() - 1000;
    text.height = 500;
    text.left = 500;
    text.top = qr.top + qr.height + 100;
    qr.visible = true;
    text.visible = true;
    keeppairinginfront(view);
}

void hidepairingqr(PairingView& view) {
    view.imgPairQr.visible = false;
    view.lblPairQr.visible = false;
}

void keeppairinginfront(PairingView& view) {
    for (Element* e : {&view.imgPairQr, &view.lblPairQr, &view.lblPairCode})
        if (e->visible) view.form.screen.bringtofront(*e);
}

}  // namespace tunedeck
