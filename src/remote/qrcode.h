// QR codes (libqrencode) for the pairing address shown on the television. Any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tunedeck {

struct QrCode {
    int side = 0;               // modules per side, without the quiet zone
    std::vector<uint8_t> dark;  // side * side, row by row: 1 for a dark module
};

// The QR code of `text` (8-bit mode, error correction level M). Throws std::runtime_error when
// the text does not fit in a QR code.
QrCode encodeqr(const std::string& text);

}  // namespace tunedeck
