#include "platform/audio/outputdevice.h"

#include <string_view>

#include "platform/audio/pipeoutput.h"
#include "platform/audio/sdloutput.h"

namespace tunedeck {

namespace {
constexpr std::string_view kPipePrefix = "pipe:";
}

std::unique_ptr<OutputDevice> open_output(const OutputTarget& target, const char* device_name,
                                          int device_frames, SampleSource& source) {
    if (target.setting.empty()) {
        return std::make_unique<SdlOutput>(device_name, device_frames, source);
    }
    if (!target.setting.starts_with(kPipePrefix)) {
        throw OutputSettingError("[audio] output in settings.ini is \"" + target.setting +
                                 "\": it must be empty (the sound card) or pipe:<path>");
    }
    const std::filesystem::path path(target.setting.substr(kPipePrefix.size()));
    if (path.empty()) {
        throw OutputSettingError("[audio] output in settings.ini names no pipe after pipe:");
    }
    return std::make_unique<PipeOutput>(path.is_relative() ? target.folder / path : path, source);
}

}  // namespace tunedeck
