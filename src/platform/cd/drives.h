// The three kinds of drive behind a CD device.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "platform/cd/cdio.h"
#include "platform/cd/drive.h"

namespace tunedeck::cd {

// A disc image read by libcdio. Its tray is closed until "set ... door open".
class ImageDrive : public Drive {
  public:
    ImageDrive(const std::string& file, driver_id_t driver);
    DriveState state() override;
    Toc toc() override { return toc_; }
    bool setdoor(bool open) override;
    bool readaudio(int32_t lsn, uint32_t count, int16_t* out) override;

  private:
    std::mutex mutex_;  // guards cdio_ between the UI and the reader thread
    CdioHandle cdio_;
    Toc toc_;  // fixed once opened
    std::atomic<bool> open_{false};
};

// A physical drive. Reads go through paranoia with a bounded retry budget.
class PhysicalDrive : public Drive {
  public:
    explicit PhysicalDrive(std::string device);
    DriveState state() override;
    Toc toc() override;
    bool setdoor(bool open) override;
    bool readaudio(int32_t lsn, uint32_t count, int16_t* out) override;

  private:
    void reopen();    // expects mutex_
    bool trayopen();  // expects mutex_

    std::mutex mutex_;  // guards every member
    std::string device_;
    CdioHandle cdio_;
    std::unique_ptr<ParanoiaReader> paranoia_;
    Toc toc_;
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
