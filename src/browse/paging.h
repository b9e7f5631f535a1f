// Paging arithmetic of the item list.
#pragma once

#include <cstdint>

namespace tunedeck {

inline constexpr int16_t kDefaultPerpage = 11;

// Rows per page as the model uses it: a setting below 1 is taken as the default.
int16_t effectiveperpage(int16_t perpage);
// Pages needed for `itemcount` entries: rounded up, 0 for an empty table.
int16_t pagecount(int itemcount, int16_t perpage);
// Table row shown on row `row` of page `page` (both from 1).
int itemindex(int16_t page, int16_t row, int16_t perpage);

}  // namespace tunedeck
