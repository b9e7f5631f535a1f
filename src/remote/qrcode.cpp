#include "remote/qrcode.h"

#include <qrencode.h>

#include <memory>
#include <stdexcept>

namespace tunedeck {
namespace {

struct QrFree {
    void operator()(QRcode* code) const noexcept { QRcode_free(code); }
};

}  // namespace

QrCode encodeqr(const std::string& text) {
    const std::unique_ptr<QRcode, QrFree> code(
        QRcode_encodeData(static_cast<int>(text.size()),
                          reinterpret_cast<const unsigned char*>(text.data()), 0, QR_ECLEVEL_M));
    if (!code) throw std::runtime_error("the address does not fit in a QR code");
    QrCode out;
    out.side = code->width;
    out.dark.resize(static_cast<std::size_t>(code->width) * code->width);
    for (std::size_t i = 0; i < out.dark.size(); ++i) out.dark[i] = code->data[i] & 1;
    return out;
}

}  // namespace tunedeck
