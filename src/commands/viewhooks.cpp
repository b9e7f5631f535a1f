#include "commands/viewhooks.h"

namespace tunedeck {

CommandView makecommandview(View& view, Browser& browser) {
    CommandView hooks;
    hooks.renderitems = [&view, &browser] { renderitems(view, currentfolder(browser)); };
    hooks.renderhighlight = [&view] { renderhighlight(view); };
    hooks.renderletters = [&view] { renderletters(view); };
    hooks.rendertitle = [&view](const std::string& title) { rendertitle(view, title); };
    hooks.rowcaption = [&view](int row) { return rowcaption(view, row); };
    hooks.setstate = [&view](const std::string& text) {
        showstatus(view, StatusLines{.state = text});
    };
    return hooks;
}

}  // namespace tunedeck
