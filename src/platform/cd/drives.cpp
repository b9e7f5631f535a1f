#include "platform/cd/drives.h"

#include <cdio/mmc.h>
#include <cdio/mmc_hl_cmds.h>
#include <cdio/mmc_ll_cmds.h>

#include "platform/cd/errors.h"

namespace tunedeck::cd {

namespace {
// Re-reads of one sector before the drive counts as unreadable; keeps a removed or badly
// damaged disc from stalling playback for long.
constexpr int readretries = 3;
}  // namespace

ImageDrive::ImageDrive(const std::string& file, driver_id_t driver) : cdio_(file, driver) {
    if (!cdio_.valid()) throw CdError(Error::CannotOpen);
    toc_ = cdio_.readtoc();
    if (toc_.tracks.empty()) throw CdError(Error::CannotOpen);
}

DriveState ImageDrive::state() {
    return open_ ? DriveState::Open : DriveState::Ready;
}

bool ImageDrive::setdoor(bool open) {
    open_ = open;
    return true;
}

bool ImageDrive::readaudio(int32_t lsn, uint32_t count, int16_t* out) {
    if (open_) return false;
    std::lock_guard lock(mutex_);
    return cdio_read_audio_sectors(cdio_.get(), out, lsn, count) == DRIVER_OP_SUCCESS;
}

PhysicalDrive::PhysicalDrive(std::string device)
    : device_(std::move(device)), cdio_(device_, DRIVER_DEVICE) {
    if (!cdio_.valid()) throw CdError(Error::CannotOpen);
    toc_ = cdio_.readtoc();
}

void PhysicalDrive::reopen() {
    paranoia_.reset();
    cdio_ = CdioHandle(device_, DRIVER_DEVICE);
    toc_ = cdio_.valid() ? cdio_.readtoc() : Toc{};
}

bool PhysicalDrive::trayopen() {
    return cdio_.valid() && mmc_get_tray_status(cdio_.get()) == 1;
}

DriveState PhysicalDrive::state() {
    std::lock_guard lock(mutex_);
    if (trayopen()) {
        toc_ = {};
        return DriveState::Open;
    }
    // A disc changed since the table was read: libcdio keeps its first table, so reopen.
    if (!cdio_.valid() || toc_.tracks.empty() || cdio_get_media_changed(cdio_.get()) == 1) {
        reopen();
    }
    return toc_.tracks.empty() ? DriveState::NotReady : DriveState::Ready;
}

Toc PhysicalDrive::toc() {
    std::lock_guard lock(mutex_);
    return toc_;
}

bool PhysicalDrive::setdoor(bool open) {
    std::lock_guard lock(mutex_);
    if (!cdio_.valid()) return false;
    paranoia_.reset();
    driver_return_code_t rc =
        open ? mmc_start_stop_unit(cdio_.get(), true, false, 0, 0) : mmc_close_tray(cdio_.get());
    toc_ = {};
    return rc == DRIVER_OP_SUCCESS;
}

bool PhysicalDrive::readaudio(int32_t lsn, uint32_t count, int16_t* out) {
    std::lock_guard lock(mutex_);
    if (!cdio_.valid() || trayopen()) return false;
    try {
        if (!paranoia_) paranoia_ = std::make_unique<ParanoiaReader>(cdio_.get());
    } catch (const CdError&) {
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        if (!paranoia_->read(lsn + int32_t(i), readretries, out + i * framespersector * 2)) {
            return false;
        }
    }
    return true;
}

Toc NoDrive::toc() {
    Toc toc;
    // One data track of two seconds, like the smallest data disc.
    toc.tracks.push_back({1, 0, int32_t(2 * sectorspersecond), false});
    toc.leadout = int32_t(2 * sectorspersecond);
    return toc;
}

}  // namespace tunedeck::cd
