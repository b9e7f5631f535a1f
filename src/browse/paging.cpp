#include "browse/paging.h"

namespace tunedeck {

int16_t effectiveperpage(int16_t perpage) {
    return perpage < 1 ? kDefaultPerpage : perpage;
}

int16_t pagecount(int itemcount, int16_t perpage) {
    if (itemcount <= 0) return 0;
    const int per = effectiveperpage(perpage);
    return static_cast<int16_t>((itemcount + per - 1) / per);
}

int itemindex(int16_t page, int16_t row, int16_t perpage) {
    return (page - 1) * effectiveperpage(perpage) + row;
}

}  // namespace tunedeck
