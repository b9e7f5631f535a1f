#include "platform/audio/measure.h"

#include <vector>

#include "platform/audio/decoder.h"
#include "platform/audio/format.h"
#include "platform/lib/ebur128/ebur128.h"

namespace tunedeck {

namespace {

// Decodes everything `decoder` gives into the meter; false when stopped first.
bool decodeinto(Decoder& decoder, LoudnessMeter& meter, const std::atomic<bool>& stop) {
    std::vector<uint8_t> block;
    while (!stop.load(std::memory_order_relaxed)) {
        block.clear();
        const bool more = decoder.decode(block);
        const std::size_t frames = block.size() / kBytesPerFrame;
        // The decoder's blocks are 16-bit samples, suitably aligned by the vector's allocation.
        if (frames > 0) meter.add(reinterpret_cast<const int16_t*>(block.data()), frames);
        if (!more) return true;
    }
    return false;
}

}  // namespace

FileLoudness examinefile(const std::string& path, bool measure, const std::atomic<bool>& stop) {
    FileLoudness result;
    try {
        Decoder decoder(path);
        result.readable = true;
        result.tags = decoder.loudness();
        if (!measure || hasgain(result.tags)) return result;
        LoudnessMeter meter(kOutputChannels, kOutputRate);
        if (!decodeinto(decoder, meter, stop)) return result;
        result.measured = true;
        result.integrated = meter.integrated();
        result.peak = meter.samplepeak();
    } catch (const std::exception&) {
        // Unreadable, not audio, or the meter failed: measured stays false.
    }
    return result;
}

}  // namespace tunedeck
