#include "platform/lib/cdio/cdio.h"

#include <cstring>
#include <utility>

#include "platform/cd/errors.h"

namespace tunedeck::cd {

CdioHandle::CdioHandle(const std::string& source, driver_id_t driver)
    : cdio_(cdio_open(source.c_str(), driver)) {}

CdioHandle::~CdioHandle() noexcept {
    if (cdio_ != nullptr) cdio_destroy(cdio_);
}

CdioHandle::CdioHandle(CdioHandle&& other) noexcept : cdio_(std::exchange(other.cdio_, nullptr)) {}

CdioHandle& CdioHandle::operator=(CdioHandle&& other) noexcept {
    if (this != &other) {
        if (cdio_ != nullptr) cdio_destroy(cdio_);
        cdio_ = std::exchange(other.cdio_, nullptr);
    }
    return *this;
}

namespace {

// A table is usable when its tracks follow each other and all lie before the lead-out; a cue
// sheet whose INDEX lies past the end of its data file fails this.
bool plausible(const Toc& toc) {
    if (toc.tracks.empty() || toc.leadout <= 0) return false;
    int32_t previous = -1;
    for (const auto& t : toc.tracks) {
        if (t.start <= previous || t.start < 0 || t.start >= toc.leadout || t.sectors <= 0) {
            return false;
        }
        if (int64_t(t.start) + t.sectors > toc.leadout) return false;
        previous = t.start;
    }
    return true;
}

}  // namespace

Toc CdioHandle::readtoc() const {
    Toc toc;
    track_t first = cdio_get_first_track_num(cdio_);
    track_t count = cdio_get_num_tracks(cdio_);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0) return toc;
    toc.leadout = cdio_get_track_lsn(cdio_, CDIO_CDROM_LEADOUT_TRACK);
    for (track_t i = 0; i < count; ++i) {
        auto t = track_t(first + i);
        lsn_t start = cdio_get_track_lsn(cdio_, t);
        lsn_t next = (i + 1 < count) ? cdio_get_track_lsn(cdio_, track_t(t + 1)) : toc.leadout;
        if (start == CDIO_INVALID_LSN || next == CDIO_INVALID_LSN) return {};
        toc.tracks.push_back({int(i) + 1, start, next - start,
                              cdio_get_track_format(cdio_, t) == TRACK_FORMAT_AUDIO});
    }
    if (!plausible(toc)) return {};
    return toc;
}

ParanoiaReader::ParanoiaReader(CdIo_t* cdio) : drive_(cdio_cddap_identify_cdio(cdio, 0, nullptr)) {
    if (drive_ == nullptr || cdio_cddap_open(drive_) != 0) {
        if (drive_ != nullptr) cdio_cddap_close_no_free_cdio(drive_);
        drive_ = nullptr;
        throw CdError(Error::NotReady);
    }
    paranoia_ = cdio_paranoia_init(drive_);
    // Full checking with overlap verification, but never endless re-reads of a bad spot.
    cdio_paranoia_modeset(paranoia_, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
}

ParanoiaReader::~ParanoiaReader() noexcept {
    if (paranoia_ != nullptr) cdio_paranoia_free(paranoia_);
    if (drive_ != nullptr) cdio_cddap_close_no_free_cdio(drive_);
}

bool ParanoiaReader::read(int32_t lsn, int retries, int16_t* out) {
    if (lsn != next_) cdio_paranoia_seek(paranoia_, lsn, SEEK_SET);
    int16_t* data = cdio_paranoia_read_limited(paranoia_, nullptr, retries);
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
