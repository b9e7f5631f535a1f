#include "platform/cd/drives.h"

#include "platform/cd/errors.h"

namespace tunedeck::cd {

CdioDrive::CdioDrive(DiscOpener open) : open_(std::move(open)), ui_(open_()) {
    if (!ui_) throw CdError(Error::CannotOpen);
    toc_ = ui_->readtoc();
    ready_ = !toc_.tracks.empty();
}

void CdioDrive::reopen() {
    ui_ = open_();
    toc_ = ui_ ? ui_->readtoc() : Toc{};
    ++disc_;
    ready_ = !toc_.tracks.empty();
}

void CdioDrive::forget() {
    if (toc_.tracks.empty() && !ready_) return;
    toc_ = {};
    ready_ = false;
    ++disc_;
}

DriveState CdioDrive::state() {
    if (!ui_) reopen();
    if (!ui_) return DriveState::NotReady;
    if (ui_->trayopen()) {
        forget();
        return DriveState::Open;
    }
    // libcdio keeps the table it first read: another disc needs a fresh handle.
    if (toc_.tracks.empty() || ui_->discchanged()) reopen();
    return toc_.tracks.empty() ? DriveState::NotReady : DriveState::Ready;
}

bool CdioDrive::setdoor(bool open) {
    if (!ui_) return false;
    forget();
    return ui_->setdoor(open);
}

bool CdioDrive::readaudio(int32_t lsn, uint32_t count, int16_t* out) {
    if (!ready_) return false;
    const uint64_t disc = disc_;
    if (!reader_ || readerdisc_ != disc) {
        reader_ = open_();
        readerdisc_ = disc;
    }
    return reader_ && reader_->readaudio(lsn, count, out);
}

Toc NoDrive::toc() {
    Toc toc;
    // One data track of two seconds, like the smallest data disc.
    toc.tracks.push_back({1, 0, int32_t(2 * kSectorsPerSecond), false});
    toc.leadout = int32_t(2 * kSectorsPerSecond);
    return toc;
}

}  // namespace tunedeck::cd
