// The once-a-second tick: status lines, queue line, clock and the screen saver. It reads the
// shared state and changes only what the status area and the saver show, and the saver's
// counters.
#include <ctime>

#include "app/application.h"
#include "app/ticktext.h"

namespace tunedeck {

StatusLines Application::filestatus() {
    Playback& playback = *playback_;
    const PlayState played = playback.state();
    if (const auto live = playback.livestatus(); live && played != PlayState::Stopped) {
        const std::string track = stationtrack(*live, queue_->currentname());
        if (played == PlayState::Paused) return {.track = track, .state = "Paused"};
        return {.track = track, .state = stationstate(*live, wholeseconds(playback.elapsed()))};
    }
    switch (played) {
        case PlayState::Playing:
            return {.track = queue_->currentname(),
                    .state = playtimes(wholeseconds(playback.elapsed()),
                                       wholeseconds(playback.length()))};
        case PlayState::Paused:
            return {.track = queue_->currentname(), .state = "Paused"};
        case PlayState::Stopped:
            break;
    }
    return {.track = "", .state = "Stop"};
}

StatusLines Application::cdstatus(const CdMode& mode) {
    StatusLines status{.state = mode.text};
    if (!mode.playing()) return status;
    const auto position = tick_cd_.position();
    if (!position) return status;  // no readable position: no time this tick
    const std::string length = tick_cd_.track_length(position->track);
    status.state = cdelapsed(*position) + " / " + length.substr(0, 5);
    const Item* item = browse_->items.find(position->track);
    status.track = item != nullptr ? item->label : "";
    return status;
}

void Application::ticksaver() {
    const SaverStep step = advancesaver(saver_, settings_.savertime);
    if (step.restore) unblankscreen(*view_);
    if (step.blank) blankscreen(*view_);
    if (step.movetext) {
        const SaverPlace place = saverplace(random_, screen_->width(), screen_->height());
        movesavertext(*view_, static_cast<int32_t>(place.x), static_cast<int32_t>(place.y));
    }
}

void Application::showqueueline() {
    if (mode_.mediamode == Mode::Cd) return;
    StatusLines status = filestatus();
    status.playlist = queueline(*queue_);
    status.clock = clocktext(std::time(nullptr));
    showstatus(*view_, status);
}

void Application::Timer1_Timer() {
    if (ended_) return;
    StatusLines status;
    if (mode_.mediamode == Mode::Cd) {
        const CdMode mode = tick_cd_.mode();
        status = cdstatus(mode);
        if (mode.open()) {  // the tray was opened: the program ends
            showstatus(*view_, status);
            Form_Unload();
            end(0, {});
            return;
        }
    } else {
        status = filestatus();
        // Entries the scan added, or a key moved to, are measured from the next one on.
        playback_->followqueue();
    }
    status.playlist = queueline(*queue_);
    status.clock = clocktext(std::time(nullptr));
    showstatus(*view_, status);
    ticksaver();
}

}  // namespace tunedeck
