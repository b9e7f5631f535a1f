#include "audio/cdcontrol.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace tunedeck {

namespace {

// Large enough for every text the device gives.
constexpr std::size_t kErrorTextSize = 512;

std::string errormessage(MCIERROR code) {
    std::array<char, kErrorTextSize> text{};
    if (!mciGetErrorStringA(code, text.data(), uint32_t(text.size()))) {
        std::snprintf(text.data(), text.size(), "Unknown CD device error %u.", code);
    }
    return replytext(text.data(), text.size());
}

}  // namespace

void CdControl::mcicommand(const std::string& command, bool showerrors, bool& success) {
    lastmcierror_ = mciSendStringA(mci_, command.c_str(), nullptr, 0, nullptr);
    if (showerrors && lastmcierror_ != 0) {
        boxes_.show("CD", errormessage(lastmcierror_), MessageIcon::None);
    }
    success = lastmcierror_ == 0;
}

bool CdControl::mcicommand(const std::string& command, bool showerrors) {
    bool success = false;
    mcicommand(command, showerrors, success);
    return success;
}

std::string replytext(const char* buffer, std::size_t size) {
    return std::string(buffer, std::find(buffer, buffer + size, '\0'));
}

std::string querystatus(MciSession& mci, const std::string& command, char* buffer,
                        std::size_t size) {
    // The code is deliberately ignored: a failed query leaves the buffer's earlier text.
    mciSendStringA(mci, command.c_str(), buffer, uint32_t(std::min<std::size_t>(size, UINT32_MAX)),
                   nullptr);
    return replytext(buffer, size);
}

}  // namespace tunedeck
