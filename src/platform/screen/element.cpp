#include "platform/screen/element.h"

#include <stdexcept>

#include "platform/screen/screen.h"

namespace tunedeck {

ElementArray::ElementArray(Stacking& stacking, const ElementProps& templ) : stacking_(stacking) {
    auto zero = std::make_unique<Element>(templ);
    zero->visible = false;
    stacking_.add(zero.get());
    elements_.emplace(0, std::move(zero));
}

ElementArray::~ElementArray() noexcept {
    for (auto& [n, e] : elements_) stacking_.remove(e.get());
}

Element* ElementArray::get(int16_t n) {
    auto it = elements_.find(n);
    return it == elements_.end() ? nullptr : it->second.get();
}

const Element* ElementArray::get(int16_t n) const {
    auto it = elements_.find(n);
    return it == elements_.end() ? nullptr : it->second.get();
}

Element& ElementArray::at(int16_t n) {
    Element* e = get(n);
    if (!e) throw std::out_of_range("element " + std::to_string(n) + " does not exist");
    return *e;
}

bool ElementArray::create(int16_t n) {
    if (exists(n)) return false;
    auto e = std::make_unique<Element>(static_cast<const ElementProps&>(templ()));
    stacking_.add(e.get());
    elements_.emplace(n, std::move(e));
    return true;
}

bool ElementArray::destroy(int16_t n) {
    auto it = elements_.find(n);
    if (n == 0 || it == elements_.end()) return false;
    stacking_.remove(it->second.get());
    elements_.erase(it);
    return true;
}

}  // namespace tunedeck
