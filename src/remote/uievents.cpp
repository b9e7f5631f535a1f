#include "remote/uievents.h"

#include <cstdint>
#include <stdexcept>

namespace tunedeck {
namespace {

static_assert(sizeof(void*) >= sizeof(uint64_t), "an id travels in a pointer field");

void* carry(int32_t value) {
    return reinterpret_cast<void*>(static_cast<intptr_t>(value));
}

int32_t carried(void* data) {
    return static_cast<int32_t>(reinterpret_cast<intptr_t>(data));
}

}  // namespace

UiEvents::UiEvents() : type_(SDL_RegisterEvents(1)) {
    if (type_ == static_cast<uint32_t>(-1)) throw std::runtime_error("no SDL event type left");
}

bool UiEvents::post(Kind kind, int32_t value, uint64_t payload) const {
    SDL_Event event{};
    event.type = type_;
    event.user.code = static_cast<int32_t>(kind);
    event.user.data1 = carry(value);
    event.user.data2 = reinterpret_cast<void*>(static_cast<uintptr_t>(payload));
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

bool UiEvents::posthighlight(int32_t row) const {
    return post(Kind::Highlight, row);
}

bool UiEvents::postqueuemove(int32_t from, int32_t to) const {
    return post(Kind::QueueMove, from, static_cast<uint32_t>(to));
}

bool UiEvents::postqueueremove(int32_t row) const {
    return post(Kind::QueueRemove, row);
}

bool UiEvents::postqueueplay(int32_t row) const {
    return post(Kind::QueuePlay, row);
}

bool UiEvents::postseek(int32_t milliseconds, bool fromstart) const {
    return post(Kind::Seek, milliseconds, fromstart ? 1 : 0);
}

bool UiEvents::postpaired(bool bycode) const {
    return post(Kind::Paired, bycode ? 1 : 0);
}

std::optional<UiEvents::Request> UiEvents::decode(const SDL_Event& event) const {
    if (event.type != type_) return std::nullopt;
    const int32_t value = carried(event.user.data1);
    const auto payload = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(event.user.data2));
    const auto kind = static_cast<Kind>(event.user.code);
    switch (kind) {
        case Kind::Open:
            return Request{kind, value, 0, payload};
        case Kind::Key:
        case Kind::PairingCode:
        case Kind::Volume:
        case Kind::Highlight:
        case Kind::QueueMove:
        case Kind::QueueRemove:
        case Kind::QueuePlay:
        case Kind::Seek:
        case Kind::Paired:
            // The second number went in as 32 bits; its low half is all there is.
            return Request{kind, value, static_cast<int32_t>(static_cast<uint32_t>(payload))};
    }
    return std::nullopt;
}

}  // namespace tunedeck
