// The system's wrapper around the CD device's command strings: mcicommand, which shows a
// failing command's error text when asked to, and the direct status queries into a caller's
// reply buffer. UI thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/cd/mci.h"
#include "platform/screen/messagebox.h"

namespace tunedeck {

class CdControl {
  public:
    // Both must outlive the control.
    CdControl(MciSession& mci, MessageBoxes& boxes) : mci_(mci), boxes_(boxes) {}

    // Sends one command with no reply buffer. With `showerrors` a failure shows the device's
    // error text in a box titled "CD" without an icon; `success` is true when the code is 0.
    void mcicommand(const std::string& command, bool showerrors, bool& success);
    // The same, returning the success flag.
    bool mcicommand(const std::string& command, bool showerrors);
    // The return code of the last command sent through mcicommand (0 for success).
    MCIERROR lastmcierror() const { return lastmcierror_; }

  private:
    MciSession& mci_;
    MessageBoxes& boxes_;
    MCIERROR lastmcierror_ = 0;
};

// The reply text held in a buffer: the characters before the first NUL, never past its end.
std::string replytext(const char* buffer, std::size_t size);

// A direct status query: the device writes its reply into `buffer` (cut to `size`), its
// return code is ignored, and a failed query leaves the buffer as it was. Returns replytext.
std::string querystatus(MciSession& mci, const std::string& command, char* buffer,
                        std::size_t size);

}  // namespace tunedeck
