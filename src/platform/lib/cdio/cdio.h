// RAII owners of libcdio handles.
#pragma once

#include <cdio/cdio.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <string>

#include "platform/cd/toc.h"

namespace tunedeck::cd {

// An open libcdio device or image (CdIo_t).
class CdioHandle {
  public:
    CdioHandle(const std::string& source, driver_id_t driver);
    ~CdioHandle() noexcept;
    CdioHandle(CdioHandle&& other) noexcept;
    CdioHandle& operator=(CdioHandle&& other) noexcept;
    CdioHandle(const CdioHandle&) = delete;
    CdioHandle& operator=(const CdioHandle&) = delete;

    CdIo_t* get() const { return cdio_; }
    bool valid() const { return cdio_ != nullptr; }
    // The table of contents, or an empty one when libcdio cannot read a sound one.
    Toc readtoc() const;

  private:
    CdIo_t* cdio_ = nullptr;
};

// A paranoia reader over a drive opened through a CdioHandle (which must outlive it).
class ParanoiaReader {
  public:
    explicit ParanoiaReader(CdIo_t* cdio);
    ~ParanoiaReader() noexcept;
    ParanoiaReader(const ParanoiaReader&) = delete;
    ParanoiaReader& operator=(const ParanoiaReader&) = delete;

    // One sector at `lsn` with at most `retries` re-reads; false when it stays unreadable.
    bool read(int32_t lsn, int retries, int16_t* out);

  private:
    cdrom_drive_t* drive_ = nullptr;
    cdrom_paranoia_t* paranoia_ = nullptr;
    int32_t next_ = -1;
};

// The system's first CD drive, or "" when there is none.
std::string defaultdevice();

}  // namespace tunedeck::cd
