// Moving through the list and the letter grid, turning pages, opening and leaving folders.
#include <algorithm>
#include <charconv>

#include "browse/listing.h"
#include "browse/paging.h"
#include "commands/commands.h"

namespace tunedeck {
namespace {

constexpr const char* kHomeTitle = "Tunedeck Home";
constexpr int16_t kGridColumns = 5;

int16_t perpageof(const KeyContext& context) {
    return effectiveperpage(context.browser.settings.perpage);
}

bool rowempty(KeyContext& context, int16_t row) {
    return context.view.rowcaption(row).empty();
}

void accept(KeyContext& context, bool accepted) {
    if (accepted) {
        context.view.renderhighlight();
        context.cues.soundcue(kCueClick);
    } else {
        context.cues.soundcue(kCueBang);
    }
}

bool atrootnow(KeyContext& context) {
    return atroot(context.browser.folders, context.browser.settings_reader.rootpath());
}

// Saved row and page of a depth; depths outside the table read its nearest row.
const std::array<int16_t, 2>& savedlevel(const BrowseState& state) {
    const int depth = std::clamp<int>(state.depth, 0, kMaxDepths - 1);
    return state.levelstate[depth];
}

// The title of the listing now on screen after a change of folder.
void titlefolder(KeyContext& context, bool fromback) {
    Browser& browser = context.browser;
    const std::string& path = currentfolder(browser);
    if (!atrootnow(context)) {
        context.view.rendertitle(displayname(browser, path));
    } else if (fromback && browser.settings.showletters != 1) {
        context.view.rendertitle(kHomeTitle);
    } else {
        context.view.rendertitle(browser.state.letter);
    }
}

// Parent of a folder path: everything before the last separator (the folder list brings
// it to normal form, so "/music/" becomes "/music" and "/" stays "/").
std::string parentfolder(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return path;
    return path.substr(0, slash) + "/";
}

void backtoparent(KeyContext& context) {
    Browser& browser = context.browser;
    BrowseState& state = browser.state;
    context.cues.soundcue(kCueBack);
    browser.folders.setpath(parentfolder(currentfolder(browser)));
    state.row = savedlevel(state)[0];
    state.page = savedlevel(state)[1];
    state.depth = static_cast<int16_t>(std::max(0, state.depth - 1));
    createitems(browser);
    context.view.renderitems();
    context.view.renderhighlight();
    titlefolder(context, true);
}

void leaveletter(KeyContext& context) {
    BrowseState& state = context.state();
    state.letter.clear();
    state.row = savedlevel(state)[0];
    if (state.depth > -kMaxDepths) --state.depth;  // no floor here: levelchange sets it afresh
    createletters(context.browser);
    context.view.renderletters();
    context.view.renderhighlight();
    context.view.rendertitle(kHomeTitle);
    context.cues.soundcue(kCueBack);
}

}  // namespace

std::optional<int> highlighteditem(KeyContext& context) {
    const std::string tag = context.view.rowtag(context.state().row);
    int value = 0;
    const auto [end, error] = std::from_chars(tag.data(), tag.data() + tag.size(), value);
    if (tag.empty() || error != std::errc{} || end != tag.data() + tag.size()) return std::nullopt;
    if (value < 0 || value > kMaxItems) return std::nullopt;
    return value;
}

const ItemRow& highlightedrow(KeyContext& context) {
    static const ItemRow kNone{};  // immutable: an empty row for "no item"
    const auto item = highlighteditem(context);
    return item ? context.state().items[*item] : kNone;
}

void movedown(KeyContext& context) {
    BrowseState& state = context.state();
    if (state.letterfocus != 0) {
        const bool fits = state.row + kGridColumns <= state.itemcount;
        if (fits) state.row = static_cast<int16_t>(state.row + kGridColumns);
        accept(context, fits);
        return;
    }
    const int16_t perpage = perpageof(context);
    bool accepted = true;
    ++state.row;
    if (state.row > perpage) {
        if (state.page + 1 <= state.pages) {
            ++state.page;
            context.view.renderitems();
            state.row = 1;
        } else {
            state.row = perpage;
            accepted = false;
        }
    }
    if (rowempty(context, state.row)) {
        --state.row;
        accepted = false;
    }
    accept(context, accepted);
}

void moveup(KeyContext& context) {
    BrowseState& state = context.state();
    if (state.letterfocus != 0) {
        const bool fits = state.row - kGridColumns >= 1;
        if (fits) state.row = static_cast<int16_t>(state.row - kGridColumns);
        accept(context, fits);
        return;
    }
    bool accepted = true;
    --state.row;
    if (state.row < 1) {
        if (state.page > 1) {
            --state.page;
            context.view.renderitems();
            state.row = perpageof(context);
        } else {
            state.row = 1;
            accepted = false;
        }
    }
    if (rowempty(context, state.row)) {
        ++state.row;
        accepted = false;
    }
    accept(context, accepted);
}

void moveleft(KeyContext& context) {
    BrowseState& state = context.state();
    if (state.letterfocus != 0) {
        if (state.row >= 2) {
            --state.row;
            context.cues.soundcue(kCueClick);
            context.view.renderhighlight();
        } else {
            context.cues.soundcue(kCueBang);
        }
    } else if (!atrootnow(context)) {
        backtoparent(context);
    } else if (!state.letter.empty()) {
        leaveletter(context);
    } else {
        context.cues.soundcue(kCueBang);
    }
}

bool moveright(KeyContext& context) {
    BrowseState& state = context.state();
    if (state.letterfocus != 0) {
        if (state.row < state.itemcount) {
            ++state.row;
            context.cues.soundcue(kCueClick);
            context.view.renderhighlight();
        } else {
            context.cues.soundcue(kCueBang);
        }
        return false;
    }
    const ItemRow& item = highlightedrow(context);
    if (item[2] == kKindFolder) return true;
    if (item[2] == kKindPlayable) {
        togglequeued(context, item);
    } else {
        context.cues.soundcue(kCueBang);
    }
    return false;
}

void enter(KeyContext& context) {
    Browser& browser = context.browser;
    BrowseState& state = browser.state;
    context.cues.soundcue(kCueSelect);
    const ItemRow item = highlightedrow(context);  // a copy: opening a folder rebuilds the table
    bool changed = false;
    if (item[2] == kKindLetter) {
        browser.folders.setpath(browser.settings_reader.rootpath());
        levelchange(browser);
        state.letter = item[0];
        changed = true;
    } else if (item[2] == kKindFolder) {
        browser.folders.setpath(item[1]);
        levelchange(browser);
        changed = true;
    } else if (item[2] == kKindPlayable) {
        playitem(context, item);
    } else if (item[2] == kKindPlaylist) {
        playplaylist(context, item);
    }
    if (!changed) return;
    state.row = 1;
    state.page = 1;
    createitems(browser);
    context.view.renderitems();
    context.view.renderhighlight();
    titlefolder(context, false);
}

void nextpage(KeyContext& context) {
    BrowseState& state = context.state();
    if (state.page + 1 <= state.pages) {
        ++state.page;
        context.cues.soundcue(kCueClick);
        state.row = 1;
        context.view.renderitems();
        context.view.renderhighlight();
    } else {
        context.cues.soundcue(kCueBang);
    }
}

void previouspage(KeyContext& context) {
    BrowseState& state = context.state();
    if (state.page >= 2) {
        --state.page;
        context.cues.soundcue(kCueClick);
        state.row = 1;
        context.view.renderitems();
        context.view.renderhighlight();
    } else {
        context.cues.soundcue(kCueBang);
    }
}

}  // namespace tunedeck
