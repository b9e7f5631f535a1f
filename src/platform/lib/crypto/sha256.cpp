#include "platform/lib/crypto/sha256.h"

#include <openssl/evp.h>

#include <array>
#include <stdexcept>

namespace tunedeck {

std::string sha256hex(std::string_view data) {
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    // The one-shot call keeps no context to release.
    if (EVP_Digest(data.data(), data.size(), digest.data(), &length, EVP_sha256(), nullptr) != 1)
        throw std::runtime_error("the crypto library cannot compute SHA-256");
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * length);
    for (unsigned int i = 0; i < length; ++i) {
        text += kDigits[digest[i] >> 4];
        text += kDigits[digest[i] & 0xF];
    }
    return text;
}

}  // namespace tunedeck
