// What the television shows while a phone pairs: the six-digit code in the lower band, and the
// QR code of the remote's page with its address. Both sit above every other element, the
// screen saver's black cover included, for as long as they are shown.
// UI thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "view/mainscreen.h"

namespace tunedeck {

struct PairingView {
    // Adds the pairing elements to the main screen, hidden, on top of the stacking order.
    explicit PairingView(MainScreen& form);
    PairingView(const PairingView&) = delete;
    PairingView& operator=(const PairingView&) = delete;

    MainScreen& form;
    Element& lblPairCode;
    Element& imgPairQr;
    Element& lblPairQr;
};

// Shows "Phone pairing code: NNNNNN" at the right of the lower band.
void showpairingcode(PairingView& view, const std::string& code);
void hidepairingcode(PairingView& view);

// Shows a QR code (`side` x `side` modules, `dark` row by row, 1 = dark) with a white quiet
// zone, in whole pixels per module, centred over the list, with `caption` below it.
void showpairingqr(PairingView& view, const std::vector<uint8_t>& dark, int side,
                   const std::string& caption);
void hidepairingqr(PairingView& view);

// Brings the shown pairing elements in front again (after the screen saver covered the screen).
void keeppairinginfront(PairingView& view);

}  // namespace tunedeck
