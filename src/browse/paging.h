// Paging arithmetic of the item list.
#pragma once

namespace tunedeck {

inline constexpr int kDefaultPerpage = 11;

// Rows per page as the model uses it: a setting below 1 is taken as the default.
int effectiveperpage(int perpage);
// Pages needed for `itemcount` entries: rounded up, 0 for an empty table.
int pagecount(int itemcount, int perpage);
// Item number shown on row `row` of page `page` (both from 1).
int itemindex(int page, int row, int perpage);

}  // namespace tunedeck
