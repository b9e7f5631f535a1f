// One open CD-audio device: the drive behind an alias, its time format and its playback.
// UI thread only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/cd/drive.h"
#include "platform/cd/player.h"

namespace tunedeck::cd {

enum class TimeFormat { Msf, Tmsf, Milliseconds };

using Words = std::vector<std::string>;

class CdDevice {
  public:
    // Plays into the output `output` names.
    explicit CdDevice(std::unique_ptr<Drive> drive, OutputTarget output = {});

    // A command's verb and the words after the alias ("wait" and "notify" removed).
    // Returns the reply; throws CdError.
    std::string execute(const std::string& verb, const Words& args);

  private:
    std::string status(const Words& args);
    std::string statustrack(const std::string& item, const Words& args, const Toc& toc);
    void play(const Words& args);
    void seek(const Words& args);
    void set(const Words& args);
    void setaudio(const Words& args);

    Toc readytoc();  // throws DoorOpen or NotReady
    DriveState refresh();
    int64_t parseposition(const std::string& word, const Toc& toc) const;
    int parsetrack(const std::string& word, const Toc& toc) const;
    std::string formatposition(const Toc& toc, int64_t frame) const;
    std::string formatlength(int64_t frames) const;
    std::string modeword();

    std::unique_ptr<Drive> drive_;
    Player player_;
    TimeFormat format_ = TimeFormat::Msf;
};

}  // namespace tunedeck::cd
