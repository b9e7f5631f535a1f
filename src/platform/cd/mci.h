// The CD-audio device's command strings (the "cdaudio" device opened under an alias), over
// libcdio: physical drives and disc images, digital playback through SDL2 audio.
// Every function takes the device instance first: there is no global device state.
// UI thread only; the reader thread is internal.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/audio/outputdevice.h"
#include "platform/cd/drive.h"

namespace tunedeck {

using MCIERROR = uint32_t;

class CdDevices;  // the open devices by alias, defined in platform/cd/devices.h

// Owns every device opened through command strings. `drive` names what a device opens,
// `output` where a disc plays.
class MciSession {
  public:
    explicit MciSession(cd::DriveTarget drive, OutputTarget output = {});
    ~MciSession();
    MciSession(const MciSession&) = delete;
    MciSession& operator=(const MciSession&) = delete;
    CdDevices& devices() { return *devices_; }

  private:
    std::unique_ptr<CdDevices> devices_;
};

// Sends a command string; 0 on success or an error code. The reply (if any) is cut to
// `size` characters including the terminating NUL; a failed command leaves it untouched.
MCIERROR mciSendStringA(MciSession& mci, const char* command, char* reply, uint32_t size,
                        void* window);
// English text for an error code, cut to the buffer and NUL-terminated; false for unknown codes.
bool mciGetErrorStringA(MCIERROR code, char* text, uint32_t size);

}  // namespace tunedeck
