#include "platform/lib/cdio/cdio.h"

#include <cstring>

namespace tunedeck::cd {

CdioHandle::CdioHandle(const std::string& source, driver_id_t driver)
    : cdio_(cdio_open(source.c_str(), driver)) {
    if (!cdio_) throw CdioError("cannot open " + source);
}

ParanoiaReader::ParanoiaReader(const CdioHandle& cdio)
    : drive_(cdio_cddap_identify_cdio(cdio.get(), 0, nullptr)) {
    if (!drive_) throw CdioError("not an audio CD drive");
    if (cdio_cddap_open(drive_.get()) != 0) throw CdioError("cannot read the audio CD");
    paranoia_.reset(cdio_paranoia_init(drive_.get()));
    if (!paranoia_) throw CdioError("cannot start paranoia reading");
    // Full checking with overlap verification, but never endless re-reads of a bad spot.
    cdio_paranoia_modeset(paranoia_.get(), PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
}

bool ParanoiaReader::read(int32_t lsn, int retries, int16_t* out) {
    if (lsn != next_) cdio_paranoia_seek(paranoia_.get(), lsn, SEEK_SET);
    int16_t* data = cdio_paranoia_read_limited(paranoia_.get(), nullptr, retries);
    if (data == nullptr) {
        next_ = -1;
        return false;
    }
    std::memcpy(out, data, CDIO_CD_FRAMESIZE_RAW);
    next_ = lsn + 1;
    return true;
}

std::string defaultdevice() {
    char* device = cdio_get_default_device(nullptr);
    if (device == nullptr) return {};
    std::string name = device;
    cdio_free(device);
    return name;
}

}  // namespace tunedeck::cd
