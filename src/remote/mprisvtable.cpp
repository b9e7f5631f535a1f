#include "remote/mprisvtable.h"

#include <systemd/sd-bus.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <string>

#include "commands/keycodes.h"
#include "remote/mpris.h"

namespace tunedeck {
namespace {

constexpr const char* kRootInterface = "org.mpris.MediaPlayer2";
constexpr const char* kNoTrack = "/org/mpris/MediaPlayer2/TrackList/NoTrack";
constexpr int64_t kMicro = 1000000;

std::string trackid(const RemoteState& now) {
    return "/org/tunedeck/track/" + std::to_string(now.track);
}

MprisService& service(void* userdata) {
    return *static_cast<MprisService*>(userdata);
}

// Methods: each acts as the key the remote control has for it.

int pressfor(sd_bus_message* m, void* userdata, int16_t keycode) {
    service(userdata).press(keycode);
    return sd_bus_reply_method_return(m, "");
}

int playpause(sd_bus_message* m, void* u, sd_bus_error*) {
    return pressfor(m, u, kKeyL);
}

// Play and Pause press L only when that starts or pauses playback.
int play(sd_bus_message* m, void* u, sd_bus_error*) {
    const RemoteState now = service(u).current();
    if (now.canplay && now.state != "playing") service(u).press(kKeyL);
    return sd_bus_reply_method_return(m, "");
}

int pause(sd_bus_message* m, void* u, sd_bus_error*) {
    if (service(u).current().state == "playing") service(u).press(kKeyL);
    return sd_bus_reply_method_return(m, "");
}

int stop(sd_bus_message* m, void* u, sd_bus_error*) {
    return pressfor(m, u, kKeyS);
}

int next(sd_bus_message* m, void* u, sd_bus_error*) {
    return pressfor(m, u, kKeyN);
}

int previous(sd_bus_message* m, void* u, sd_bus_error*) {
    return pressfor(m, u, kKeyP);
}

int seekby(sd_bus_message* m, void* u, sd_bus_error*) {
    int64_t offset = 0;
    const int rc = sd_bus_message_read(m, "x", &offset);
    if (rc < 0) return rc;
    // Beyond what a request carries (some 24 days), an offset means the start or the end.
    const int64_t ms = std::clamp<int64_t>(offset / 1000, -2000000000, 2000000000);
    if (service(u).current().canseek) service(u).seek(static_cast<int32_t>(ms), false);
    return sd_bus_reply_method_return(m, "");
}

// Only for the track that plays; a place outside it is ignored, as the interface says.
int setposition(sd_bus_message* m, void* u, sd_bus_error*) {
    const char* track = nullptr;
    int64_t place = 0;
    const int rc = sd_bus_message_read(m, "ox", &track, &place);
    if (rc < 0) return rc;
    const RemoteState now = service(u).current();
    if (now.canseek && track != nullptr && trackid(now) == track && place >= 0 &&
        place <= now.length * kMicro)
        service(u).seek(static_cast<int32_t>(place / 1000), true);
    return sd_bus_reply_method_return(m, "");
}

// Raise, Quit and OpenUri: their Can... properties say they do nothing.
int nothing(sd_bus_message* m, void*, sd_bus_error*) {
    return sd_bus_reply_method_return(m, "");
}

// Properties.

int boolean(sd_bus_message* reply, bool value) {
    return sd_bus_message_append(reply, "b", static_cast<int>(value));
}

int falseprop(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
              sd_bus_error*) {
    return boolean(reply, false);
}

int trueprop(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
             sd_bus_error*) {
    return boolean(reply, true);
}

int oneprop(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
            sd_bus_error*) {
    return sd_bus_message_append(reply, "d", 1.0);
}

int identity(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
             sd_bus_error*) {
    return sd_bus_message_append(reply, "s", "Tunedeck");
}

int desktopentry(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
                 sd_bus_error*) {
    return sd_bus_message_append(reply, "s", "tunedeck");
}

int nolist(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
           sd_bus_error*) {
    return sd_bus_message_append(reply, "as", 0);
}

int playbackstatus(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* u,
                   sd_bus_error*) {
    const std::string state = service(u).current().state;
    const char* text = state == "playing" ? "Playing" : state == "paused" ? "Paused" : "Stopped";
    return sd_bus_message_append(reply, "s", text);
}

int position(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* u,
             sd_bus_error*) {
    return sd_bus_message_append(reply, "x", service(u).current().position * kMicro);
}

int volume(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* u,
           sd_bus_error*) {
    return sd_bus_message_append(reply, "d", service(u).current().volume / 100.0);
}

// MPRIS volumes run from 0 to 1; a value outside is taken as the nearer end.
int setvolume(sd_bus*, const char*, const char*, const char*, sd_bus_message* value, void* u,
              sd_bus_error*) {
    double wanted = 0;
    const int rc = sd_bus_message_read(value, "d", &wanted);
    if (rc < 0) return rc;
    if (std::isnan(wanted)) return -EINVAL;
    service(u).setvolume(static_cast<int>(std::lround(std::clamp(wanted, 0.0, 1.0) * 100)));
    return 1;
}

// One entry of the a{sv} metadata dictionary.
template <typename T>
int entry(sd_bus_message* reply, const char* key, const char* type, T value) {
    int rc = sd_bus_message_open_container(reply, 'e', "sv");
    if (rc >= 0) rc = sd_bus_message_append(reply, "s", key);
    if (rc >= 0) rc = sd_bus_message_open_container(reply, 'v', type);
    if (rc >= 0) rc = sd_bus_message_append(reply, type, value);
    if (rc >= 0) rc = sd_bus_message_close_container(reply);
    if (rc >= 0) rc = sd_bus_message_close_container(reply);
    return rc;
}

// The artists entry: a list of one name.
int artists(sd_bus_message* reply, const std::string& artist) {
    int rc = sd_bus_message_open_container(reply, 'e', "sv");
    if (rc >= 0) rc = sd_bus_message_append(reply, "s", "xesam:artist");
    if (rc >= 0) rc = sd_bus_message_open_container(reply, 'v', "as");
    if (rc >= 0) rc = sd_bus_message_append(reply, "as", 1, artist.c_str());
    if (rc >= 0) rc = sd_bus_message_close_container(reply);
    if (rc >= 0) rc = sd_bus_message_close_container(reply);
    return rc;
}

// The tags' entries, each only when the file has it.
int tagentries(sd_bus_message* reply, const RemoteState& now) {
    int rc = 0;
    if (rc >= 0 && !now.tagartist.empty()) rc = artists(reply, now.tagartist);
    if (rc >= 0 && !now.tagalbum.empty())
        rc = entry(reply, "xesam:album", "s", now.tagalbum.c_str());
    if (rc >= 0 && now.tracknumber > 0)
        rc = entry(reply, "xesam:trackNumber", "i", now.tracknumber);
    if (rc >= 0 && now.cover && !now.cover->arturl.empty())
        rc = entry(reply, "mpris:artUrl", "s", now.cover->arturl.c_str());
    return rc;
}

int metadata(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* u,
             sd_bus_error*) {
    const RemoteState now = service(u).current();
    const bool playing = now.state != "stopped" && !now.playing.empty();
    const std::string track = playing ? trackid(now) : kNoTrack;
    const std::string& title = now.tagtitle.empty() ? now.playing : now.tagtitle;
    int rc = sd_bus_message_open_container(reply, 'a', "{sv}");
    if (rc >= 0) rc = entry(reply, "mpris:trackid", "o", track.c_str());
    if (rc >= 0 && playing) rc = entry(reply, "xesam:title", "s", title.c_str());
    if (rc >= 0 && playing) rc = entry(reply, "mpris:length", "x", now.length * kMicro);
    if (rc >= 0 && playing) rc = tagentries(reply, now);
    if (rc >= 0) rc = sd_bus_message_close_container(reply);
    return rc;
}

template <bool RemoteState::*Field>
int can(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* u,
        sd_bus_error*) {
    return boolean(reply, service(u).current().*Field);
}

constexpr auto kConst = SD_BUS_VTABLE_PROPERTY_CONST;
constexpr auto kChanges = SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE;
constexpr auto kMethod = SD_BUS_VTABLE_UNPRIVILEGED;

const sd_bus_vtable kRootTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Raise", "", "", nothing, kMethod),
    SD_BUS_METHOD("Quit", "", "", nothing, kMethod),
    SD_BUS_PROPERTY("CanQuit", "b", falseprop, 0, kConst),
    SD_BUS_PROPERTY("CanRaise", "b", falseprop, 0, kConst),
    SD_BUS_PROPERTY("HasTrackList", "b", falseprop, 0, kConst),
    SD_BUS_PROPERTY("Identity", "s", identity, 0, kConst),
    SD_BUS_PROPERTY("DesktopEntry", "s", desktopentry, 0, kConst),
    SD_BUS_PROPERTY("SupportedUriSchemes", "as", nolist, 0, kConst),
    SD_BUS_PROPERTY("SupportedMimeTypes", "as", nolist, 0, kConst),
    SD_BUS_VTABLE_END,
};

const sd_bus_vtable kPlayerTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Next", "", "", next, kMethod),
    SD_BUS_METHOD("Previous", "", "", previous, kMethod),
    SD_BUS_METHOD("Pause", "", "", pause, kMethod),
    SD_BUS_METHOD("PlayPause", "", "", playpause, kMethod),
    SD_BUS_METHOD("Stop", "", "", stop, kMethod),
    SD_BUS_METHOD("Play", "", "", play, kMethod),
    SD_BUS_METHOD("Seek", "x", "", seekby, kMethod),
    SD_BUS_METHOD("SetPosition", "ox", "", setposition, kMethod),
    SD_BUS_METHOD("OpenUri", "s", "", nothing, kMethod),
    SD_BUS_PROPERTY("PlaybackStatus", "s", playbackstatus, 0, kChanges),
    SD_BUS_PROPERTY("Rate", "d", oneprop, 0, kConst),
    SD_BUS_PROPERTY("MinimumRate", "d", oneprop, 0, kConst),
    SD_BUS_PROPERTY("MaximumRate", "d", oneprop, 0, kConst),
    SD_BUS_WRITABLE_PROPERTY("Volume", "d", volume, setvolume, 0, kChanges),
    SD_BUS_PROPERTY("Metadata", "a{sv}", metadata, 0, kChanges),
    // Read when asked; like every MPRIS player, no signal for the steady advance.
    SD_BUS_PROPERTY("Position", "x", position, 0, 0),
    SD_BUS_PROPERTY("CanGoNext", "b", can<&RemoteState::cannext>, 0, kChanges),
    SD_BUS_PROPERTY("CanGoPrevious", "b", can<&RemoteState::canprevious>, 0, kChanges),
    SD_BUS_PROPERTY("CanPlay", "b", can<&RemoteState::canplay>, 0, kChanges),
    SD_BUS_PROPERTY("CanPause", "b", can<&RemoteState::canpause>, 0, kChanges),
    SD_BUS_PROPERTY("CanSeek", "b", can<&RemoteState::canseek>, 0, kChanges),
    SD_BUS_PROPERTY("CanControl", "b", trueprop, 0, kConst),
    SD_BUS_VTABLE_END,
};

}  // namespace

int addmprisobjects(sd_bus* bus, MprisService* service) {
    int rc =
        sd_bus_add_object_vtable(bus, nullptr, kMprisPath, kRootInterface, kRootTable, service);
    if (rc >= 0)
        rc = sd_bus_add_object_vtable(bus, nullptr, kMprisPath, kPlayerInterface, kPlayerTable,
                                      service);
    return rc;
}

}  // namespace tunedeck
