// The measured loudness of files without ReplayGain tags, kept in a file of the state folder so
// that a file measured once is levelled from then on, also after a restart. Keyed by path, size
// and modification time: a file changed since is measured again. Text, one file a line; written
// as a new file and renamed over the old one, so that a crash leaves the old or the new. A
// damaged file is no error: what cannot be read is measured again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>

namespace tunedeck {

// What the file at a path was when it was measured, and what it measured.
struct MeasuredLevel {
    uint64_t size = 0;
    int64_t mtime = 0;  // the file system's modification time, in its own ticks
    // dB that bring it to the reference level; empty for silence (it plays unchanged).
    std::optional<double> gain;
    double peak = 0;     // the largest sample, a fraction of full scale
    std::string album;   // its album tag, which tells its album's neighbours
    uint64_t order = 0;  // when it was measured, relative to the others: the oldest go first

    bool operator==(const MeasuredLevel&) const = default;
};

using LevelTable = std::unordered_map<std::string, MeasuredLevel>;

// The integrated loudness measured files are brought to: ReplayGain 2's reference, so that
// tagged and measured files play alike.
inline constexpr double kReferenceLufs = -18.0;

// A file's size and modification time now; empty when it cannot be read.
struct FileKey {
    uint64_t size = 0;
    int64_t mtime = 0;
    bool operator==(const FileKey&) const = default;
};
std::optional<FileKey> filekey(const std::string& path);

// The table kept in `file`; empty when there is none or it is not ours. Damaged lines are left
// out; of more than `limit` entries only the newest `limit` are kept.
LevelTable readlevelcache(const std::filesystem::path& file, std::size_t limit);
// Writes `table` to `file` (its folder made if missing) through a temporary file that is renamed
// over it. False when it could not be written; the old file is then left as it was.
bool writelevelcache(const std::filesystem::path& file, const LevelTable& table);

// Drops the oldest entries until at most `limit` are left.
void trimlevels(LevelTable& table, std::size_t limit);

}  // namespace tunedeck
