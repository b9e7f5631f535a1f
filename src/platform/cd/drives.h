// The drives behind a CD device.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/cd/discio.h"
#include "platform/cd/drive.h"

namespace tunedeck::cd {

// A physical drive or a disc image through libcdio. The UI thread and the reader thread each
// use a handle of their own and share no lock, so a slow read (a scratched disc, re-reads)
// never holds up a status query, a command or the tray; they share only whether the disc is
// ready and which disc it is, atomically.
class CdioDrive : public Drive {
  public:
    // Opens the first handle and reads the disc. Throws CdError(CannotOpen).
    explicit CdioDrive(DiscOpener open);
    DriveState state() override;
    Toc toc() override { return toc_; }
    bool setdoor(bool open) override;
    bool readaudio(int32_t lsn, uint32_t count, int16_t* out) override;

  private:
    void reopen();  // UI thread: a fresh handle and table, for a changed or new disc
    void forget();  // UI thread: the disc went away

    const DiscOpener open_;
    std::unique_ptr<DiscIo> ui_;  // UI thread; null while the drive cannot be opened
    Toc toc_;                     // UI thread
    std::atomic<bool> ready_{false};
    std::atomic<uint64_t> disc_{0};   // counts changes of disc; the reader reopens on one
    std::unique_ptr<DiscIo> reader_;  // reader thread
    uint64_t readerdisc_ = 0;         // reader thread: the disc its handle was opened on
};

// No drive at all: answers like a drive holding a data disc, which never plays.
class NoDrive : public Drive {
  public:
    DriveState state() override { return DriveState::Ready; }
    Toc toc() override;
    bool setdoor(bool) override { return false; }
    bool readaudio(int32_t, uint32_t, int16_t*) override { return false; }
};

}  // namespace tunedeck::cd
