// Moving through the list and the letter grid, turning pages, opening and leaving folders.
#include <algorithm>
#include <string>
#include <vector>

#include "browse/listing.h"
#include "browse/paging.h"
#include "commands/commands.h"

namespace tunedeck {
namespace {

constexpr const char* kHomeTitle = "Tunedeck Home";
constexpr int kGridColumns = 5;

int perpageof(const KeyContext& context) {
    return effectiveperpage(context.browser.settings.perpage);
}

bool rowempty(KeyContext& context, int row) {
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
const SavedLevel& savedlevel(const BrowseState& state) {
    const int depth = std::clamp<int>(state.depth, 0, kMaxDepths - 1);
    return state.levelstate[depth];
}

// The title of the listing now on screen after a change of folder.
void titlefolder(KeyContext& context, bool fromback) {
    Browser& browser = context.browser;
    const std::string& path = currentfolder(browser);
    if (!atrootnow(context)) {
        context.view.rendertitle(displayname(browser, path));
    } else if (fromback && !browser.settings.showletters) {
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
    const std::string& root = browser.settings_reader.rootpath();
    // Beyond the remembered depths no row was saved: the parent is shown from its start, and
    // the depth stays the table's last until the walk is back within it.
    const bool remembered = !beyonddepths(currentfolder(browser), root);
    browser.folders.setpath(parentfolder(currentfolder(browser)));
    if (remembered) {
        state.row = savedlevel(state).row;
        state.page = savedlevel(state).page;
        state.depth = std::max(0, state.depth - 1);
    } else {
        state.row = 1;
        state.page = 1;
        state.depth = folderdepth(currentfolder(browser), root);
    }
    createitems(browser);
    context.view.renderitems();
    context.view.renderhighlight();
    titlefolder(context, true);
}

void leaveletter(KeyContext& context) {
    BrowseState& state = context.state();
    state.letter.clear();
    state.row = savedlevel(state).row;
    if (state.depth > -kMaxDepths) --state.depth;  // no floor here: levelchange sets it afresh
    createletters(context.browser);
    context.view.renderletters();
    context.view.renderhighlight();
    context.view.rendertitle(kHomeTitle);
    context.cues.soundcue(kCueBack);
}

}  // namespace

const Item* highlighted_item(KeyContext& context) {
    return context.state().highlighted(perpageof(context));
}

bool highlightrow(KeyContext& context, int row) {
    BrowseState& state = context.state();
    const int rows = state.letterfocus ? state.itemcount() : perpageof(context);
    if (row < 1 || row > rows || (!state.letterfocus && rowempty(context, row))) return false;
    state.row = row;
    accept(context, true);
    return true;
}

void movedown(KeyContext& context) {
    BrowseState& state = context.state();
    if (state.letterfocus) {
        const bool fits = state.row + kGridColumns <= state.itemcount();
        if (fits) state.row += kGridColumns;
        accept(context, fits);
        return;
    }
    const int perpage = perpageof(context);
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
    if (state.letterfocus) {
        const bool fits = state.row - kGridColumns >= 1;
        if (fits) state.row -= kGridColumns;
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
    if (state.letterfocus) {
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
    if (state.letterfocus) {
        if (state.row < state.itemcount()) {
            ++state.row;
            context.cues.soundcue(kCueClick);
            context.view.renderhighlight();
        } else {
            context.cues.soundcue(kCueBang);
        }
        return false;
    }
    const Item* item = highlighted_item(context);
    if (item != nullptr && item->kind == ItemKind::Folder) return true;
    if (item != nullptr && item->kind == ItemKind::Playable) {
        togglequeued(context, *item);
    } else {
        context.cues.soundcue(kCueBang);
    }
    return false;
}

namespace {

// Opens the folder or letter an item names (and plays any other item); true when the current
// folder changed.
bool openitem(KeyContext& context, const Item& item) {
    Browser& browser = context.browser;
    switch (item.kind) {
        case ItemKind::Letter:
            browser.folders.setpath(browser.settings_reader.rootpath());
            levelchange(browser);
            browser.state.letter = item.label;
            return true;
        case ItemKind::Folder:
            browser.folders.setpath(item.target);
            levelchange(browser);
            return true;
        case ItemKind::Playable:
            playitem(context, item);
            return false;
        case ItemKind::Playlist:
            playplaylist(context, item);
            return false;
    }
    return false;
}

}  // namespace

void enter(KeyContext& context) {
    Browser& browser = context.browser;
    BrowseState& state = browser.state;
    context.cues.soundcue(kCueSelect);
    const Item* highlighted = highlighted_item(context);
    if (highlighted == nullptr) return;
    const Item item = *highlighted;  // a copy: opening a folder rebuilds the table
    if (!openitem(context, item)) return;
    state.row = 1;
    state.page = 1;
    createitems(browser);
    context.view.renderitems();
    context.view.renderhighlight();
    titlefolder(context, false);
}

namespace {

// Puts the highlight on the item whose target is `target`; false when the listing has none.
bool highlighttarget(KeyContext& context, const std::string& target) {
    BrowseState& state = context.state();
    const int perpage = perpageof(context);
    int number = 0;
    for (const Item& item : state.items) {
        ++number;
        if (item.target != target) continue;
        state.page = (number - 1) / perpage + 1;
        state.row = (number - 1) % perpage + 1;
        return true;
    }
    return false;
}

// Enter on the letter cell of the root's listing that holds `name`, as from the letter grid.
void enterletterof(KeyContext& context, const std::string& name) {
    Browser& browser = context.browser;
    BrowseState& state = browser.state;
    const std::string letter = lettercell(displayname(browser, lastcomponent(name)));
    createletters(browser);
    state.page = 1;
    state.row = 1;
    int cell = 0;
    for (const Item& item : state.items) {
        ++cell;
        if (item.label == letter) state.row = cell;
    }
    browser.folders.setpath(browser.settings_reader.rootpath());
    levelchange(browser);
    state.letter = letter;
}

}  // namespace

void walkto(KeyContext& context, const std::string& folder, const std::string& target) {
    Browser& browser = context.browser;
    BrowseState& state = browser.state;
    const std::string root = browser.settings_reader.rootpath();
    const std::string below = root == "/" ? root : root + "/";
    if (context.cdmode() || (folder != root && !folder.starts_with(below))) return;
    std::vector<std::string> chain;  // the folders on the way, the root's subfolder first
    for (std::string at = folder; at.size() > root.size();
         at.resize(std::max<std::size_t>(at.rfind('/'), 1)))
        chain.insert(chain.begin(), at);
    browser.folders.setpath(root);
    state.letter.clear();
    state.depth = 0;
    if (browser.settings.showletters)
        enterletterof(context, chain.empty() ? target : chain.front());
    state.row = 1;
    state.page = 1;
    createitems(browser);
    for (const std::string& step : chain) {
        if (!highlighttarget(context, step)) break;  // gone since the index was made
        browser.folders.setpath(step);
        levelchange(browser);
        state.row = 1;
        state.page = 1;
        createitems(browser);
    }
    if (!target.empty()) highlighttarget(context, target);
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
