#include "platform/cd/cdiotoc.h"

namespace tunedeck::cd {

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

Toc readtoc(const CdioHandle& handle) {
    CdIo_t* cdio = handle.get();
    Toc toc;
    track_t first = cdio_get_first_track_num(cdio);
    track_t count = cdio_get_num_tracks(cdio);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0) return toc;
    toc.leadout = cdio_get_track_lsn(cdio, CDIO_CDROM_LEADOUT_TRACK);
    for (track_t i = 0; i < count; ++i) {
        auto t = track_t(first + i);
        lsn_t start = cdio_get_track_lsn(cdio, t);
        lsn_t next = (i + 1 < count) ? cdio_get_track_lsn(cdio, track_t(t + 1)) : toc.leadout;
        if (start == CDIO_INVALID_LSN || next == CDIO_INVALID_LSN) return {};
        toc.tracks.push_back({int(i) + 1, start, next - start,
                              cdio_get_track_format(cdio, t) == TRACK_FORMAT_AUDIO});
    }
    if (!plausible(toc)) return {};
    return toc;
}

}  // namespace tunedeck::cd
