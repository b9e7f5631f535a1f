// The "status" command of a CD device.
#include "platform/cd/device.h"
#include "platform/cd/errors.h"

namespace tunedeck::cd {

namespace {

std::string joined(const Words& words, size_t count) {
    std::string text;
    for (size_t i = 0; i < count && i < words.size(); ++i) text += (i ? " " : "") + words[i];
    return text;
}

const char* truth(bool value) {
    return value ? "true" : "false";
}

}  // namespace

std::string CdDevice::modeword() {
    switch (refresh()) {
        case DriveState::Open:
            return "open";
        case DriveState::NotReady:
            return "not ready";
        case DriveState::Ready:
            break;
    }
    // A paused disc answers "stopped", its position kept, as many drives do: "play" then goes
    // on from there, and callers that know only "playing" and "stopped" can resume it.
    return player_.state() == PlayState::Playing ? "playing" : "stopped";
}

std::string CdDevice::formatposition(const Toc& toc, int64_t frame) const {
    switch (format_) {
        case TimeFormat::Tmsf:
            return formattmsf(toc, frame);
        case TimeFormat::Milliseconds:
            return formatmilliseconds(frame);
        case TimeFormat::Msf:
            break;
    }
    return formatmsf(frame);
}

// In track format a length is minutes and seconds ("mm:ss"); in msf it keeps its frames.
std::string CdDevice::formatlength(int64_t frames) const {
    switch (format_) {
        case TimeFormat::Tmsf:
            return formatminutes(frames);
        case TimeFormat::Milliseconds:
            return formatmilliseconds(frames);
        case TimeFormat::Msf:
            break;
    }
    return formatmsf(frames);
}

std::string CdDevice::status(const Words& args) {
    if (args.empty()) throw CdError(Error::MissingParameter);
    const std::string& item = args[0];
    if (item == "mode" && args.size() == 1) return modeword();
    if (item == "ready" && args.size() == 1) return truth(refresh() == DriveState::Ready);
    if (joined(args, 3) == "media present" && args.size() == 2) {
        return truth(refresh() == DriveState::Ready);
    }
    if (item == "time" && joined(args, 3) == "time format" && args.size() == 2) {
        return format_ == TimeFormat::Tmsf  ? "tmsf"
               : format_ == TimeFormat::Msf ? "msf"
                                            : "milliseconds";
    }
    Toc toc = readytoc();
    if (joined(args, 3) == "number of tracks" && args.size() == 3) {
        return std::to_string(toc.count());
    }
    if (joined(args, 2) == "current track" && args.size() == 2) {
        return std::to_string(toc.trackat(player_.position())->number);
    }
    if (joined(args, 2) == "start position" && args.size() == 2) {
        return formatposition(toc, toc.discbegin());
    }
    if (args.size() == 1 && item == "length") {
        return formatlength(toc.discend() - toc.discbegin());
    }
    if (args.size() == 1 && item == "position") return formatposition(toc, player_.position());
    if (args.size() >= 2 && args[1] == "track") return statustrack(item, args, toc);
    throw CdError(Error::BadKeyword);
}

// "length track N", "position track N", "type track N".
std::string CdDevice::statustrack(const std::string& item, const Words& args, const Toc& toc) {
    if (args.size() == 2) throw CdError(Error::MissingParameter);
    if (args.size() != 3) throw CdError(Error::BadKeyword);
    const TrackInfo& track = *toc.track(parsetrack(args[2], toc));
    if (item == "length") return formatlength(int64_t(track.sectors) * kFramesPerSector);
    if (item == "position") return formatposition(toc, toc.trackbegin(track.number));
    if (item == "type") return track.audio ? "audio" : "other";
    throw CdError(Error::BadKeyword);
}

}  // namespace tunedeck::cd
