#include "remote/randomsource.h"

#include <sys/random.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace tunedeck {
namespace {

void fillrandom(void* buffer, std::size_t size) {
    auto* out = static_cast<unsigned char*>(buffer);
    while (size > 0) {
        const ssize_t got = getrandom(out, size, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            throw std::runtime_error(std::string("random source: ") + std::strerror(errno));
        }
        out += got;
        size -= static_cast<std::size_t>(got);
    }
}

}  // namespace

std::string randomhex(std::size_t bytes) {
    std::vector<unsigned char> raw(bytes);
    fillrandom(raw.data(), raw.size());
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes * 2);
    for (unsigned char b : raw) {
        text.push_back(kDigits[b >> 4]);
        text.push_back(kDigits[b & 15]);
    }
    return text;
}

uint32_t randombelow(uint32_t bound) {
    if (bound == 0) return 0;
    const uint32_t limit = UINT32_MAX - UINT32_MAX % bound;  // values at or past it would bias
    for (;;) {
        uint32_t value = 0;
        fillrandom(&value, sizeof value);
        if (value < limit) return value % bound;
    }
}

}  // namespace tunedeck
