// The devices opened through command strings, by alias. UI thread only.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/audio/outputdevice.h"
#include "platform/cd/device.h"

namespace tunedeck {

class CdDevices {
  public:
    CdDevices(cd::DriveTarget drive, OutputTarget output);

    // Runs one command string and returns its reply; throws cd::CdError.
    std::string send(std::string_view command);

  private:
    void open(const cd::Words& words);
    void close(const cd::Words& words);

    cd::DriveTarget drive_;
    OutputTarget output_;
    std::map<std::string, std::unique_ptr<cd::CdDevice>> devices_;
};

}  // namespace tunedeck
