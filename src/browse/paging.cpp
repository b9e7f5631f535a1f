#include "browse/paging.h"

namespace tunedeck {

int effectiveperpage(int perpage) {
    return perpage < 1 ? kDefaultPerpage : perpage;
}

int pagecount(int itemcount, int perpage) {
    if (itemcount <= 0) return 0;
    const int per = effectiveperpage(perpage);
    return (itemcount + per - 1) / per;
}

int itemindex(int page, int row, int perpage) {
    return (page - 1) * effectiveperpage(perpage) + row;
}

}  // namespace tunedeck
