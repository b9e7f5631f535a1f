// Looks for the files of a restored queue in the background. Looking for each of a library's
// hundreds of thousands of files takes longer than a start may, so the queue comes back whole
// and the entries whose files are gone are left out once this has found them.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/savedstate.h"

namespace tunedeck {

// Whether a queue entry is still there: its file, or a station (not looked up).
bool ispresent(const std::string& path);

class PresenceCheck {
  public:
    // Starts looking for the files of the queue file that the state file `file` names.
    PresenceCheck(std::filesystem::path file, QueueFile named);
    // Stops the check; never waits for the file system.
    ~PresenceCheck();
    PresenceCheck(const PresenceCheck&) = delete;
    PresenceCheck& operator=(const PresenceCheck&) = delete;

    // The paths found missing, once the check is over (nothing when the queue file could not
    // be read whole); nothing while it runs.
    std::optional<std::vector<std::string>> take();

    struct Channel;  // what the check's thread shares with its owner

  private:
    std::shared_ptr<Channel> channel_;
};

}  // namespace tunedeck
