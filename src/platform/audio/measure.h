// A file's loudness as the engine would play it: its tags, and for files whose tags give no
// gain, its EBU R128 integrated loudness and sample peak, measured over everything the engine's
// decoder makes of it (the same trimming, the same stereo mix at 44100 Hz). For the background
// measurement: any one thread at a time, never the UI or the output thread.
#pragma once

#include <atomic>
#include <optional>
#include <string>

#include "platform/audio/loudnesstags.h"

namespace tunedeck {

struct FileLoudness {
    bool readable = false;  // opened as audio; false for a missing, unreadable or foreign file
    LoudnessTags tags;
    // Decoded to its end and measured (false when the tags made it unneeded, or when stopped).
    bool measured = false;
    // LUFS; empty for silence or a file shorter than the meter's 400 ms block.
    std::optional<double> integrated;
    double peak = 0;  // the largest sample, as a fraction of full scale
};

// Whether the tags give a gain of their own (track or album).
inline bool hasgain(const LoudnessTags& tags) {
    return tags.trackgain.has_value() || tags.albumgain.has_value();
}

// Opens `path` and reads its tags; when `measure` and the tags give no gain, decodes it to its
// end and measures it. `stop`, set from another thread, ends the decoding early (measured stays
// false). Never throws.
FileLoudness examinefile(const std::string& path, bool measure, const std::atomic<bool>& stop);

}  // namespace tunedeck
