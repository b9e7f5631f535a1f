#include "platform/cd/devices.h"

#include <algorithm>

#include "platform/cd/errors.h"
#include "platform/cd/parse.h"

namespace tunedeck {

using cd::CdError;
using cd::Error;

CdDevices::CdDevices(cd::DriveTarget drive, OutputTarget output)
    : drive_(std::move(drive)), output_(std::move(output)) {}

namespace {

// "wait" and "notify" only say how the caller waits; every command here completes before
// it returns, so they are dropped wherever they stand after the device name.
cd::Words withoutflags(cd::Words words) {
    auto flag = [](const std::string& w) { return w == "wait" || w == "notify"; };
    words.erase(std::remove_if(words.begin() + std::min<ptrdiff_t>(2, ptrdiff_t(words.size())),
                               words.end(), flag),
                words.end());
    return words;
}

}  // namespace

std::string CdDevices::send(std::string_view command) {
    cd::Words words = withoutflags(cd::splitwords(command));
    if (words.empty()) throw CdError(Error::UnknownCommand);
    const std::string& verb = words[0];
    if (verb == "open") {
        open(words);
        return {};
    }
    if (verb == "close") {
        close(words);
        return {};
    }
    static constexpr std::string_view kVerbs[] = {"status", "play", "pause", "resume",
                                                  "stop",   "seek", "set",   "setaudio"};
    if (std::find(std::begin(kVerbs), std::end(kVerbs), verb) == std::end(kVerbs)) {
        throw CdError(Error::UnknownCommand);
    }
    if (words.size() < 2) throw CdError(Error::MissingParameter);
    auto device = devices_.find(words[1]);
    if (device == devices_.end()) throw CdError(Error::UnknownDevice);
    return device->second->execute(verb, cd::Words(words.begin() + 2, words.end()));
}

// "open cdaudio [alias name] [shareable]".
void CdDevices::open(const cd::Words& words) {
    if (words.size() < 2) throw CdError(Error::MissingParameter);
    if (words[1] != "cdaudio") throw CdError(Error::UnsupportedType);
    std::string alias = "cdaudio";
    for (size_t i = 2; i < words.size(); ++i) {
        if (words[i] == "shareable") continue;
        if (words[i] != "alias") throw CdError(Error::BadKeyword);
        if (++i == words.size()) throw CdError(Error::MissingParameter);
        alias = words[i];
    }
    if (alias == "all") throw CdError(Error::BadKeyword);
    if (devices_.contains(alias)) throw CdError(Error::AliasInUse);
    auto drive = cd::opendrive(drive_);
    devices_.emplace(alias, std::make_unique<cd::CdDevice>(std::move(drive), output_));
}

void CdDevices::close(const cd::Words& words) {
    if (words.size() < 2) throw CdError(Error::MissingParameter);
    if (words.size() > 2) throw CdError(Error::BadKeyword);
    if (words[1] == "all") {
        devices_.clear();
        return;
    }
    if (devices_.erase(words[1]) == 0) throw CdError(Error::UnknownDevice);
}

}  // namespace tunedeck
