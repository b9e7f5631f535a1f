// The once-a-second tick: status labels, queue line, clock and the screen saver. It reads the
// shared state and writes only the status elements and the saver's counters.
#include <ctime>

#include "app/application.h"
#include "app/audioglue.h"
#include "app/ticktext.h"
#include "commands/mcireply.h"

namespace tunedeck {
void Application::tickfile() {
    AudioLibrary& bass = *bass_;
    const DWORD stream = queue_->stream;
    MainScreen& form = *form_;
    if (BASS_ChannelIsActive(bass, stream) == BASS_ACTIVE_PLAYING) {
        const int64_t elapsed =
            wholeseconds(bytestoseconds(bass, stream, BASS_ChannelGetPosition(bass, stream)));
        const int64_t total =
            wholeseconds(bytestoseconds(bass, stream, BASS_StreamGetLength(bass, stream)));
        form.lblState.caption = playtimes(elapsed, total);
        form.lblTrack.caption = queue_->currentname();
    } else if (BASS_ChannelIsActive(bass, stream) == BASS_ACTIVE_PAUSED) {
        form.lblState.caption = "Paused";
        form.lblTrack.caption = queue_->currentname();
    } else {
        form.lblState.caption = "Stop";
        form.lblTrack.caption.clear();
    }
}

void Application::tickcd() {
    MainScreen& form = *form_;
    form.lblState.caption = replyprefix(tickreply_.query(*mci_, "status cd mode"), 7);
    if (form.lblState.caption == "playing") {
        const auto position = parsecdposition(tickreply_.query(*mci_, "status cd position"));
        if (!position) return;  // no readable position: no time this tick
        const std::string length =
            tickreply_.query(*mci_, "status cd length track " + std::to_string(position->track));
        form.lblState.caption = cdelapsed(*position) + " / " + replyprefix(length, 5);
        const int track = position->track;
        form.lblTrack.caption = track >= 0 && track <= kMaxItems ? browse_->items[track][0] : "";
    } else if (form.lblState.caption == "open") {
        Form_Unload();
        end(0, {});
    }
}

void Application::ticksaver() {
    MainScreen& form = *form_;
    const SaverStep step = advancesaver(saver_, settings_.savertime);
    Element* status[] = {&form.lblTrack, &form.lblTime, &form.lblPlaylist, &form.lblState};
    if (step.restore) {
        form.shpBlack.visible = false;
        for (Element* label : status) label->visible = true;
        form.lblSaverTrack.visible = false;
    }
    if (step.blank) {
        form.shpBlack.width = screen_->width();
        form.shpBlack.height = screen_->height();
        form.shpBlack.left = 0;
        form.shpBlack.top = 0;
        screen_->bringtofront(form.shpBlack);
        form.shpBlack.visible = true;
        for (Element* label : status) label->visible = false;
    }
    if (step.movetext) {
        const SaverPlace place = saverplace(random_, screen_->width(), screen_->height());
        form.lblSaverTrack.visible = false;
        form.lblSaverTrack.left = static_cast<int32_t>(place.x);
        form.lblSaverTrack.top = static_cast<int32_t>(place.y);
        form.lblSaverTrack.caption = form.lblTrack.caption + "\r\n" + form.lblState.caption +
                                     "\r\n" + form.lblPlaylist.caption;
        screen_->bringtofront(form.lblSaverTrack);
        form.lblSaverTrack.visible = true;
    }
}

void Application::Timer1_Timer() {
    if (ended_) return;
    if (mode_.mediamode == kFileMode) tickfile();
    if (mode_.mediamode == kCdMode) {
        tickcd();
        if (ended_) return;
    }
    form_->lblPlaylist.caption = queueline(*queue_);
    form_->lblTime.caption = clocktext(std::time(nullptr));
    ticksaver();
}

}  // namespace tunedeck
