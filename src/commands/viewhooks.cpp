#include "commands/viewhooks.h"

namespace tunedeck {
namespace {

std::string rowtext(View& view, int16_t row, std::string ElementProps::*field) {
    const Element* label = view.form.lblItem.get(row);
    return label != nullptr && row != 0 ? label->*field : std::string();
}

}  // namespace

CommandView makecommandview(View& view, Browser& browser) {
    CommandView hooks;
    hooks.renderitems = [&view, &browser] { renderitems(view, currentfolder(browser)); };
    hooks.renderhighlight = [&view] { renderhighlight(view); };
    hooks.renderletters = [&view] { renderletters(view); };
    hooks.rendertitle = [&view](const std::string& title) { rendertitle(view, title); };
    hooks.rowcaption = [&view](int16_t row) { return rowtext(view, row, &ElementProps::caption); };
    hooks.rowtag = [&view](int16_t row) { return rowtext(view, row, &ElementProps::tag); };
    hooks.setstate = [&view](const std::string& text) { view.form.lblState.caption = text; };
    return hooks;
}

}  // namespace tunedeck
