// The audio CD as the system drives it: typed calls over the CD device's command strings. This
// is the one place that builds those strings and reads their replies.
// UI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "audio/mcireply.h"
#include "platform/cd/mci.h"

namespace tunedeck {

// The drive's mode as it reported it: the first 7 characters of its reply, shown as they stand.
// A paused disc reports "stopped".
struct CdMode {
    std::string text;
    bool playing() const { return text == "playing"; }
    bool paused() const { return text == "paused"; }
    bool stopped() const { return text == "stopped"; }
    bool open() const { return text == "open"; }
};

class CdDeck {
  public:
    // Sends a command; with `show_errors` a failure is shown to the user (mcicommand). True when
    // the device accepted it.
    using Sender = std::function<bool(const std::string& command, bool show_errors)>;

    // `reply` is the caller's buffer for status replies. A failed query leaves it as it was, so
    // a caller then reads its own last reply again. All three must outlive the deck.
    CdDeck(MciSession& mci, Sender send, std::span<char> reply)
        : mci_(mci), send_(std::move(send)), reply_(reply) {}

    // The same device and commands with replies going into another buffer: a user that must
    // not see another's last reply after a failed query.
    CdDeck with_reply(std::span<char> reply) const { return CdDeck(mci_, send_, reply); }

    // Start-up and shutdown.
    // Opens the drive (the device of the settings), a failure shown. True when it opened.
    bool open();
    // Closes every device; a failure is not shown.
    void close();
    bool media_present();
    // The disc's number of tracks; empty when the reply is no number.
    std::optional<int> tracks();
    bool audio_track(int track);
    // Positions and lengths from now on in tracks, minutes, seconds and frames; a failure shown.
    void use_track_times();

    // The disc's length as the drive gives it ("mm:ss:ff").
    std::string disc_length();
    // A track's length as the drive gives it ("mm:ss").
    std::string track_length(int track);
    // The same in whole seconds; empty when the reply holds no "mm:ss".
    std::optional<int> track_seconds(int track);
    CdMode mode();
    // The track the drive is at; empty when the reply holds none.
    std::optional<int> track();
    // Track and time into it; empty when the reply is not a track position.
    std::optional<CdPosition> position();

    // Plays from the start of `track`. Commands show their failures.
    void play(int track);
    // Plays on from where the drive stands (a paused disc resumes).
    void resume();
    void pause();
    void stop();
    // Back to the start of the first track, stopped.
    void rewind();
    // Plays from `milliseconds` after (or, negative, before) the drive's position. The drive's
    // answer to the jump is not looked at, also before the start of the disc.
    void seek(int32_t milliseconds);
    // The volume, 0 (silent) to 100 (full); a failure is not shown.
    void set_volume(int volume);

  private:
    std::string query(const std::string& command);
    bool send(const std::string& command, bool show_errors = true) {
        return send_ && send_(command, show_errors);
    }

    MciSession& mci_;
    Sender send_;
    std::span<char> reply_;
};

}  // namespace tunedeck
