#include "platform/cd/discio.h"

#include <cdio/mmc.h>
#include <cdio/mmc_hl_cmds.h>
#include <cdio/mmc_ll_cmds.h>

#include <atomic>
#include <utility>

#include "platform/cd/cdiotoc.h"
#include "platform/cd/imagefile.h"
#include "platform/lib/cdio/cdio.h"

namespace tunedeck::cd {

namespace {

// Re-reads of one sector before the drive counts as unreadable; keeps a removed or badly
// damaged disc from stalling playback for long.
constexpr int kReadRetries = 3;

class DeviceIo final : public DiscIo {
  public:
    explicit DeviceIo(CdioHandle cdio) : cdio_(std::move(cdio)) {}

    bool trayopen() override { return mmc_get_tray_status(cdio_.get()) == 1; }
    bool discchanged() override { return cdio_get_media_changed(cdio_.get()) == 1; }
    Toc readtoc() override { return cd::readtoc(cdio_); }

    bool setdoor(bool open) override {
        paranoia_.reset();
        const driver_return_code_t rc = open ? mmc_start_stop_unit(cdio_.get(), true, false, 0, 0)
                                             : mmc_close_tray(cdio_.get());
        return rc == DRIVER_OP_SUCCESS;
    }

    bool readaudio(int32_t lsn, uint32_t count, int16_t* out) override {
        try {
            if (!paranoia_) paranoia_ = std::make_unique<ParanoiaReader>(cdio_);
        } catch (const CdioError&) {
            return false;
        }
        for (uint32_t i = 0; i < count; ++i) {
            if (!paranoia_->read(lsn + int32_t(i), kReadRetries, out + i * kFramesPerSector * 2)) {
                return false;
            }
        }
        return true;
    }

  private:
    CdioHandle cdio_;
    std::unique_ptr<ParanoiaReader> paranoia_;  // opened on the first read
};

class ImageIo final : public DiscIo {
  public:
    ImageIo(CdioHandle cdio, std::shared_ptr<std::atomic<bool>> tray)
        : cdio_(std::move(cdio)), tray_(std::move(tray)) {}

    bool trayopen() override { return *tray_; }
    bool discchanged() override { return false; }
    Toc readtoc() override { return cd::readtoc(cdio_); }

    bool setdoor(bool open) override {
        *tray_ = open;
        return true;
    }

    bool readaudio(int32_t lsn, uint32_t count, int16_t* out) override {
        return !*tray_ &&
               cdio_read_audio_sectors(cdio_.get(), out, lsn, count) == DRIVER_OP_SUCCESS;
    }

  private:
    CdioHandle cdio_;
    std::shared_ptr<std::atomic<bool>> tray_;
};

}  // namespace

DiscOpener deviceopener(std::string device) {
    return [device = std::move(device)]() -> std::unique_ptr<DiscIo> {
        try {
            return std::make_unique<DeviceIo>(CdioHandle(device, DRIVER_DEVICE));
        } catch (const CdioError&) {
            return nullptr;
        }
    };
}

DiscOpener imageopener(std::filesystem::path file, driver_id_t driver) {
    auto tray = std::make_shared<std::atomic<bool>>(false);
    return [file = std::move(file), driver, tray]() -> std::unique_ptr<DiscIo> {
        try {
            return std::make_unique<ImageIo>(openimage(file, driver), tray);
        } catch (const CdioError&) {
            return nullptr;
        }
    };
}

}  // namespace tunedeck::cd
