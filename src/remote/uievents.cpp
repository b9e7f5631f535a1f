#include "remote/uievents.h"

#include <cstdint>
#include <stdexcept>

namespace tunedeck {

UiEvents::UiEvents() : type_(SDL_RegisterEvents(1)) {
    if (type_ == static_cast<uint32_t>(-1)) throw std::runtime_error("no SDL event type left");
}

bool UiEvents::post(Kind kind, int32_t value, uint64_t id) const {
    static_assert(sizeof(void*) >= sizeof(uint64_t), "an id travels in a pointer field");
    SDL_Event event{};
    event.type = type_;
    event.user.code = static_cast<int32_t>(kind);
    event.user.data1 = reinterpret_cast<void*>(static_cast<intptr_t>(value));
    event.user.data2 = reinterpret_cast<void*>(static_cast<uintptr_t>(id));
    return SDL_PushEvent(&event) == 1;
}

bool UiEvents::postkey(int16_t keycode) const {
    return post(Kind::Key, keycode);
}

bool UiEvents::postpairingcode(int32_t code) const {
    return post(Kind::PairingCode, code);
}

bool UiEvents::postopen(uint64_t id) const {
    return post(Kind::Open, 0, id);
}

bool UiEvents::postvolume(int32_t volume) const {
    return post(Kind::Volume, volume);
}

std::optional<UiEvents::Request> UiEvents::decode(const SDL_Event& event) const {
    if (event.type != type_) return std::nullopt;
    const auto value = static_cast<int32_t>(reinterpret_cast<intptr_t>(event.user.data1));
    switch (static_cast<Kind>(event.user.code)) {
        case Kind::Key:
            return Request{Kind::Key, value};
        case Kind::PairingCode:
            return Request{Kind::PairingCode, value};
        case Kind::Open:
            return Request{Kind::Open, 0,
                           static_cast<uint64_t>(reinterpret_cast<uintptr_t>(event.user.data2))};
        case Kind::Volume:
            return Request{Kind::Volume, value};
    }
    return std::nullopt;
}

}  // namespace tunedeck
