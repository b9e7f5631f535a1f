// The key handler's frame: every key resets the idle counter, then the key is tested against
// each command in a fixed order, reading the (possibly rewritten) key code anew at each test.
#include "commands/commands.h"
#include "commands/keycodes.h"

namespace tunedeck {

void Form_KeyDown(KeyContext& context, int16_t& KeyCode, int16_t /*Shift*/) {
    context.idlecount = 0;
    const bool filemode = !context.cdmode();
    if (KeyCode == kKeyX || KeyCode == kKeyEscape) {
        exitprogram(context);
        return;  // the program has ended: nothing else runs
    }
    if (KeyCode == kKeyDown) movedown(context);
    if (KeyCode == kKeyUp) moveup(context);
    if (KeyCode == kKeyLeft && filemode) moveleft(context);
    if (KeyCode == kKeyRight && filemode && moveright(context)) KeyCode = kKeyEnter;
    if (KeyCode == kKeyEnter) enter(context);
    if (KeyCode == kKeyL) playpause(context);
    if (KeyCode == kKeyS) stopplayback(context);
    if (KeyCode == kKeyN) nextentry(context);
    if (KeyCode == kKeyP) previousentry(context);
    if (KeyCode == kKeyE && !filemode) seek(context, 10000);
    if (KeyCode == kKeyZ && !filemode) seek(context, -10000);
    if (KeyCode == kKeySpace) playeverything(context);
    if (KeyCode == kKeyA) queueall(context);
    if (KeyCode == kKeyC) clearqueue(context);
    if (KeyCode == kKeyD) nextpage(context);
    if (KeyCode == kKeyU) previouspage(context);
}

}  // namespace tunedeck
