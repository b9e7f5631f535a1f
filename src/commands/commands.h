// The remote-control key handler and its commands.
// UI thread only, one key at a time.
#pragma once

#include <cstdint>
#include <string>

#include "commands/keycontext.h"

namespace tunedeck {

// Handles one key press. KeyCode may be rewritten (Right on a folder becomes Enter); Shift is
// ignored. Resets the idle counter first, whatever the key.
void Form_KeyDown(KeyContext& context, int16_t& KeyCode, int16_t Shift);

// The item the highlight is on; null on a row past the listing.
const Item* highlighted_item(KeyContext& context);

// Navigation.
// Puts the highlight on row `row` (1-based) of the page or grid shown, with the cue and redraw
// of a step; false, changing nothing, for a row that is not shown or is empty.
bool highlightrow(KeyContext& context, int row);
void movedown(KeyContext& context);
void moveup(KeyContext& context);
void moveleft(KeyContext& context);
// Returns true when the highlighted item is a folder, which the caller then opens as Enter.
bool moveright(KeyContext& context);
void enter(KeyContext& context);
void nextpage(KeyContext& context);
void previouspage(KeyContext& context);
// Lists `folder` (the root or a folder below it) exactly as the keys reach it from the root:
// through the letter grid when it is on, each folder's row and page kept for Left, and the item
// whose target is `target` highlighted (the first row when it is empty or not listed). File
// mode only.
void walkto(KeyContext& context, const std::string& folder, const std::string& target);

// Playback and the queue.
void exitprogram(KeyContext& context);
void togglequeued(KeyContext& context, const Item& item);
void playitem(KeyContext& context, const Item& item);
void playplaylist(KeyContext& context, const Item& item);
void playpause(KeyContext& context);
void stopplayback(KeyContext& context);
void nextentry(KeyContext& context);
void previousentry(KeyContext& context);
void seek(KeyContext& context, int32_t milliseconds);
// Moves the file that plays or is paused to `seconds` into it (a place past its end is its end);
// false, changing nothing, in CD mode, when no file plays, or when the file could not be moved.
bool seekfile(KeyContext& context, double seconds);
void playeverything(KeyContext& context);
void queueall(KeyContext& context);
void clearqueue(KeyContext& context);
// Queue rows are 0-based; each is false, changing nothing, for a row outside the queue (or in
// CD mode, which has no queue).
bool movequeueentry(KeyContext& context, int from, int to);
bool removequeueentry(KeyContext& context, int row);
bool playqueueentry(KeyContext& context, int row);

}  // namespace tunedeck
