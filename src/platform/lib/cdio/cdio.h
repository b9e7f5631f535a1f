// libcdio's one exception type and owners of its handles: an open drive or disc image, and a
// paranoia reader over a drive.
#pragma once

#include <cdio/cdio.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/lib/handle.h"

namespace tunedeck::cd {

// A failed libcdio call. libcdio has no error text of its own; the message says what failed.
class CdioError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// An open libcdio device or image (CdIo_t).
class CdioHandle {
  public:
    // Throws CdioError when libcdio cannot open `source` with `driver`.
    CdioHandle(const std::string& source, driver_id_t driver);

    CdIo_t* get() const { return cdio_.get(); }

  private:
    UniqueHandle<CdIo_t*, cdio_destroy> cdio_;
};

// A paranoia reader over a physical drive; the CdioHandle must outlive it.
class ParanoiaReader {
  public:
    // Throws CdioError when the drive cannot read audio (no disc, not a CD drive).
    explicit ParanoiaReader(const CdioHandle& cdio);

    // One sector at `lsn` with at most `retries` re-reads; false when it stays unreadable.
    bool read(int32_t lsn, int retries, int16_t* out);

  private:
    UniqueHandle<cdrom_drive_t*, cdio_cddap_close_no_free_cdio> drive_;
    UniqueHandle<cdrom_paranoia_t*, cdio_paranoia_free> paranoia_;  // released before the drive
    int32_t next_ = -1;
};

// The system's first CD drive, or "" when there is none.
std::string defaultdevice();

}  // namespace tunedeck::cd
