// Modal message boxes. The system shows errors through this interface so that the
// subsystems that raise them (start-up, the CD wrapper) do not depend on the window itself.
#pragma once

#include <string>

namespace tunedeck {

enum class MessageIcon { None, Stop, Exclamation, Information };

// Shows a modal box with one OK button and returns when it is dismissed.
// UI thread only.
class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    virtual void show(const std::string& title, const std::string& text, MessageIcon icon) = 0;
};

}  // namespace tunedeck
