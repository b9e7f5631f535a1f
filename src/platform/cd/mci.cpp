#include "platform/cd/mci.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "platform/cd/devices.h"
#include "platform/cd/errors.h"

namespace tunedeck {

MciSession::MciSession(cd::DriveTarget drive, OutputTarget output)
    : devices_(std::make_unique<CdDevices>(std::move(drive), std::move(output))) {}

MciSession::~MciSession() = default;

namespace {

// Copies `text` cut to `size` characters including the NUL.
void copycut(std::string_view text, char* buffer, uint32_t size) {
    if (buffer == nullptr || size == 0) return;
    size_t count = std::min<size_t>(text.size(), size - 1);
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
}

}  // namespace

MCIERROR mciSendStringA(MciSession& mci, const char* command, char* reply, uint32_t size,
                        void* /*window: no command asks for a notification*/) {
    if (command == nullptr) return MCIERROR(cd::Error::MissingParameter);
    try {
        std::string text = mci.devices().send(command);
        copycut(text, reply, size);
        return 0;
    } catch (const cd::CdError& error) {
        return MCIERROR(error.code());
    } catch (const std::exception&) {
        return MCIERROR(cd::Error::Internal);
    }
}

bool mciGetErrorStringA(MCIERROR code, char* text, uint32_t size) {
    std::string_view message = cd::errortext(code);
    if (message.empty()) return false;
    copycut(message, text, size);
    return true;
}

}  // namespace tunedeck
