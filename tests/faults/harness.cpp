#include "harness.h"

#include <algorithm>
#include <cstdlib>

namespace tunedeck::faults {

namespace {

std::string rowlabels(Application& app) {
    const BrowseState& b = app.browse();
    ElementArray& labels = app.form().lblItem;
    for (int16_t n = 1;; ++n) {
        const Element* label = labels.get(n);
        if (label == nullptr) break;
        // A row past the listing is blank and may carry any number: the keys ignore it.
        if (!label->visible || label->caption.empty()) continue;
        const long item = std::strtol(label->tag.c_str(), nullptr, 10);
        if (item < 1 || item > b.itemcount())
            return "label " + std::to_string(n) + " names item " + label->tag + " of " +
                   std::to_string(b.itemcount());
    }
    return {};
}

std::string paging(Application& app) {
    const BrowseState& b = app.browse();
    const int perpage = app.settings().perpage;
    if (b.itemcount() < 0) return "itemcount() " + std::to_string(b.itemcount());
    // The letter index sits one level above the root, so depth may be -1 there.
    if (b.depth <= -kMaxDepths || b.depth >= kMaxDepths) return "depth " + std::to_string(b.depth);
    if (b.letterfocus) {
        if (b.row < 1 || b.row > std::max<int>(1, b.itemcount()))
            return "grid row " + std::to_string(b.row);
        return {};
    }
    if (b.row < 1 || b.row > perpage) return "row " + std::to_string(b.row);
    if (b.page < 1 || b.page > std::max<int>(1, b.pages))
        return "page " + std::to_string(b.page) + " of " + std::to_string(b.pages);
    return {};
}

std::string queuecounters(Application& app) {
    const PlayQueue& q = app.queue();
    const std::string counters =
        "playlistpos " + std::to_string(q.playlistpos) + " of " + std::to_string(q.playlistcount);
    if (q.playlistcount < 0 || static_cast<std::size_t>(q.playlistcount) > q.playlist.size())
        return counters;
    if (app.mode().mediamode == Mode::Cd) {
        if (q.playlistpos < 0 || q.playlistpos > app.mode().cdtracks) return counters;
        return {};
    }
    // Emptying the queue by playing an unqueued file keeps the position; it is unused until the
    // next entry is added, which sets it to 0. Taking out the first entry while it plays puts
    // the position before the queue (-1). While the scan still adds entries, a queue that played
    // to its end waits just past it, where the next entry will be.
    const int last = q.growing ? q.playlistcount : q.playlistcount - 1;
    if (q.playlistpos < -1 || (q.playlistcount > 0 && q.playlistpos > last)) return counters;
    return {};
}

// The queue's lookup from a path to its first row agrees with the rows (the first few thousand,
// so that a check after every key stays cheap).
std::string queuelookup(Application& app) {
    const PlayQueue& q = app.queue();
    const int rows = std::min(q.playlistcount, 5000);
    for (int r = 0; r < rows; ++r) {
        const std::string& path = q.playlist[static_cast<std::size_t>(r)].path;
        const int first = q.firstrow(path);
        if (first < 0 || first > r || q.playlist[static_cast<std::size_t>(first)].path != path)
            return "queue lookup of row " + std::to_string(r) + " gives " + std::to_string(first);
    }
    return {};
}

}  // namespace

std::string checkstate(Application& app) {
    for (const auto& check : {paging, rowlabels, queuecounters, queuelookup}) {
        std::string wrong = check(app);
        if (!wrong.empty()) return wrong;
    }
    return {};
}

}  // namespace tunedeck::faults
