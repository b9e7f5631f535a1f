#include "browse/model.h"

#include <stdexcept>

#include "browse/paging.h"

namespace tunedeck {

const Item* ItemTable::find(int number) const {
    if (number < 1 || number > count()) return nullptr;
    return &items_[static_cast<std::size_t>(number - 1)];
}

const Item& ItemTable::at(int number) const {
    const Item* item = find(number);
    if (item == nullptr) throw std::out_of_range("no item " + std::to_string(number));
    return *item;
}

const Item* BrowseState::highlighted(int perpage) const {
    if (letterfocus) return items.find(row);
    // A row outside the page has no label on screen, so nothing is highlighted there.
    if (row < 1 || row > effectiveperpage(perpage)) return nullptr;
    return items.find(itemindex(page, row, perpage));
}

}  // namespace tunedeck
