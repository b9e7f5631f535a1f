// How loud each file plays: its ReplayGain tags, else its measured loudness, else what the file
// before it on the same album played at; and the background measurement that follows the queue.
// Nothing here opens a file other than the one starting: its neighbours' albums come from the
// measurement's worker, which reads them ahead.
#include "audio/levelling.h"
#include "audio/playback.h"

namespace tunedeck {

namespace {

// Queue entries handed to the measurement at a time: a whole library of this size is measured
// while it plays; a bigger one as far ahead as this from what plays.
constexpr std::size_t kMeasureAhead = 4096;

}  // namespace

void Playback::measure(const std::filesystem::path& cachefile) {
    measure(std::make_unique<LoudnessScan>(cachefile, level_.measure));
}

void Playback::measure(std::unique_ptr<LoudnessScan> scan) {
    levels_ = std::move(scan);
    followed_ = {};
    followqueue();
}

void Playback::followqueue() {
    if (!levels_) return;
    const Followed now{queue_.generation, queue_.playlistcount, queue_.playlistpos};
    if (now == followed_) return;
    followed_ = now;
    levels_->follow(upcomingpaths(queue_, kMeasureAhead));
}

// Sets the stream's gain before it plays: its first sample already sounds at its level.
void Playback::level(HSTREAM stream, const std::string& path) {
    if (level_.mode == GainMode::Off) return;
    LoudnessTags tags;
    if (!BASS_ChannelGetLoudnessTags(bass_, stream, &tags)) return;
    if (levels_) levels_->notealbum(path, tags.album);
    const int row = queue_.playlistpos;
    const bool queued = row >= 0 && row < queue_.playlistcount &&
                        queue_.playlist.haspath(static_cast<std::size_t>(row), path);
    float gain = 1.0f;
    if (!hasgain(tags) && levels_) {
        if (const auto measured = levels_->measured(path)) {
            tags.trackgain = measured->gain;
            tags.trackpeak = measured->peak > 0 ? std::optional(measured->peak) : std::nullopt;
        }
    }
    if (hasgain(tags)) {
        const AlbumLookup albumof = [this](const std::string& other) {
            return levels_ ? levels_->albumof(other).value_or("") : std::string();
        };
        const bool album =
            queued && level_.mode == GainMode::Auto && albumrun(queue_, row, tags, albumof);
        gain = levelgain(tags, album, level_);
    } else if (queued) {
        gain = unmeasuredgain(path, row, tags);
    }
    BASS_ChannelSetAttribute(bass_, stream, BASS_ATTRIB_VOL, gain);
    levelledpath_ = path;
    levelledgain_ = gain;
}

// A file with neither tags nor a measurement yet: the level of the file before it in the queue
// when that one played last and is of the same album (mastered alike); unchanged otherwise.
float Playback::unmeasuredgain(const std::string& path, int row, const LoudnessTags& tags) const {
    if (row < 1 || !levels_) return 1.0f;
    const std::string before = queue_.playlist.path(static_cast<std::size_t>(row - 1));
    if (before != levelledpath_) return 1.0f;
    const AlbumLookup albumof = [this](const std::string& other) {
        return levels_->albumof(other).value_or("");
    };
    return samealbum(path, tags, before, albumof) ? levelledgain_ : 1.0f;
}

}  // namespace tunedeck
