#include "remote/keynames.h"

#include <array>
#include <utility>

#include "commands/keycodes.h"

namespace tunedeck {
namespace {

constexpr std::array<std::pair<std::string_view, int16_t>, 17> kKeyNames{{
    {"up", kKeyUp},
    {"down", kKeyDown},
    {"left", kKeyLeft},
    {"right", kKeyRight},
    {"enter", kKeyEnter},
    {"l", kKeyL},
    {"s", kKeyS},
    {"n", kKeyN},
    {"p", kKeyP},
    {"e", kKeyE},
    {"z", kKeyZ},
    {"space", kKeySpace},
    {"a", kKeyA},
    {"c", kKeyC},
    {"d", kKeyD},
    {"u", kKeyU},
    {"x", kKeyX},
}};

}  // namespace

std::optional<int16_t> keycodefor(std::string_view name) {
    for (const auto& [known, code] : kKeyNames)
        if (known == name) return code;
    return std::nullopt;
}

}  // namespace tunedeck
