// Connects the key handler to the real list view of the main screen.
#pragma once

#include "browse/browser.h"
#include "commands/keycontext.h"
#include "view/view.h"

namespace tunedeck {

// The drawing operations the commands call, over `view`, with the cover looked for in the
// current folder of `browser`. Both must outlive the result.
CommandView makecommandview(View& view, Browser& browser);

}  // namespace tunedeck
