#include "platform/cd/device.h"

#include "platform/cd/errors.h"
#include "platform/cd/parse.h"

namespace tunedeck::cd {

namespace {
constexpr int64_t kFullVolume = 1000;  // the command strings' scale of the volume
}  // namespace

CdDevice::CdDevice(std::unique_ptr<Drive> drive, OutputTarget output)
    : drive_(std::move(drive)), player_(*drive_, std::move(output)) {}

std::string CdDevice::execute(const std::string& verb, const Words& args) {
    if (verb == "status") return status(args);
    if (verb == "play") {
        play(args);
    } else if (verb == "seek") {
        seek(args);
    } else if (verb == "set") {
        set(args);
    } else if (verb == "setaudio") {
        setaudio(args);
    } else if (verb == "pause" || verb == "stop" || verb == "resume") {
        if (!args.empty()) throw CdError(Error::BadKeyword);
        readytoc();
        if (verb == "pause") player_.pause();
        if (verb == "stop") player_.stop();
        if (verb == "resume") player_.resume();
    } else {
        throw CdError(Error::UnknownCommand);
    }
    return {};
}

// Playback stops as soon as the tray opens or the disc goes, whatever the reader is doing.
DriveState CdDevice::refresh() {
    DriveState state = drive_->state();
    if (state != DriveState::Ready && player_.state() != PlayState::Stopped) player_.stop();
    return state;
}

Toc CdDevice::readytoc() {
    switch (refresh()) {
        case DriveState::Open:
            throw CdError(Error::DoorOpen);
        case DriveState::NotReady:
            throw CdError(Error::NotReady);
        case DriveState::Ready:
            break;
    }
    return drive_->toc();
}

void CdDevice::play(const Words& args) {
    Toc toc = readytoc();
    if (args.empty()) {
        if (player_.state() == PlayState::Paused) {
            player_.resume();
        } else if (player_.state() == PlayState::Stopped) {
            if (toc.audioranges(toc.discbegin()).empty()) throw CdError(Error::NoAudio);
            player_.play(toc.audioranges(player_.position()));  // nothing left at the end
        }
        return;
    }
    if (args.size() != 2 || args[0] != "from") {
        throw CdError(args.size() == 1 && args[0] == "from" ? Error::MissingParameter
                                                            : Error::BadKeyword);
    }
    auto ranges = toc.audioranges(parseposition(args[1], toc));
    if (ranges.empty()) throw CdError(Error::NoAudio);
    player_.play(std::move(ranges));
}

void CdDevice::seek(const Words& args) {
    Toc toc = readytoc();
    if (args.size() == 2 && args[0] == "to") {
        if (args[1] == "start") {
            player_.seek(toc.discbegin());
        } else if (args[1] == "end") {
            player_.seek(toc.discend());
        } else {
            player_.seek(parseposition(args[1], toc));
        }
        return;
    }
    throw CdError(args.size() < 2 ? Error::MissingParameter : Error::BadKeyword);
}

void CdDevice::set(const Words& args) {
    if (args.size() == 3 && args[0] == "time" && args[1] == "format") {
        if (args[2] == "tmsf") {
            format_ = TimeFormat::Tmsf;
        } else if (args[2] == "msf") {
            format_ = TimeFormat::Msf;
        } else if (args[2] == "milliseconds" || args[2] == "ms") {
            format_ = TimeFormat::Milliseconds;
        } else {
            throw CdError(Error::BadKeyword);
        }
    } else if (args.size() == 2 && args[0] == "door" &&
               (args[1] == "open" || args[1] == "closed")) {
        bool open = args[1] == "open";
        if (open) player_.stop();
        if (!drive_->setdoor(open)) throw CdError(Error::BadKeyword);
    } else {
        throw CdError(args.size() < 2 ? Error::MissingParameter : Error::BadKeyword);
    }
}

// "setaudio <alias> volume to N": the volume control's position, 0 (silent) to 1000 (full).
void CdDevice::setaudio(const Words& args) {
    if (args.size() < 3) throw CdError(Error::MissingParameter);
    if (args.size() > 3 || args[0] != "volume" || args[1] != "to") throw CdError(Error::BadKeyword);
    const int64_t position = parsenumber(args[2]);
    if (position > kFullVolume) throw CdError(Error::PositionOutOfRange);
    player_.setvolume(volumegain(double(position) / kFullVolume));
}

int CdDevice::parsetrack(const std::string& word, const Toc& toc) const {
    int64_t number = parsenumber(word);
    if (number < 1 || number > toc.count()) throw CdError(Error::TrackOutOfRange);
    return int(number);
}

// A position in the current time format, checked to lie on the disc.
int64_t CdDevice::parseposition(const std::string& word, const Toc& toc) const {
    int64_t frame = 0;
    if (format_ == TimeFormat::Milliseconds) {
        frame = millisecondstoframes(parsenumber(word));
    } else {
        std::vector<int64_t> fields = parsefields(word);
        size_t first = 0;
        if (format_ == TimeFormat::Tmsf) {
            frame = toc.trackbegin(parsetrack(word.substr(0, word.find(':')), toc));
            first = 1;
        }
        if (fields.size() > first + 3) throw CdError(Error::BadNumber);
        fields.resize(first + 3, 0);
        int64_t minutes = fields[first], seconds = fields[first + 1], frames = fields[first + 2];
        if (seconds >= 60 || frames >= kSectorsPerSecond) throw CdError(Error::PositionOutOfRange);
        frame += ((minutes * 60 + seconds) * kSectorsPerSecond + frames) * kFramesPerSector;
    }
    if (frame < toc.discbegin() || frame > toc.discend()) throw CdError(Error::PositionOutOfRange);
    return frame;
}

}  // namespace tunedeck::cd
