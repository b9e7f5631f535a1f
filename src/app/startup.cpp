// Start-up and shutdown: the drive probe that chooses the mode, the audio library, the first
// screen, the first queue; and the error box for audio-library failures.
#include <SDL.h>

#include <chrono>
#include <optional>

#include "app/application.h"
#include "audio/bassutil.h"
#include "browse/paging.h"
#include "platform/cd/drive.h"

namespace tunedeck {
namespace {

constexpr const char* kHomeTitle = "Tunedeck Home";
// How long start-up waits for the scan to meet music before it shows the screen regardless.
constexpr std::chrono::milliseconds kMusicWait{3000};

// Why the device did not open, for the standard-error line: a disc image is named.
std::string cannotopen(const cd::DriveTarget& drive) {
    const auto image = cd::imagefile(drive);
    if (image) return "the disc image " + image->string() + " could not be opened";
    return "the CD device could not be opened";
}

}  // namespace

void Application::errorbox(const std::string& message) {
    const int code = BASS_ErrorGetCode(*bass_);
    const std::string text =
        message + "\r\n\r\nError Code : " + std::to_string(code) + "\r\n" + basserrortext(code);
    boxes_->show("Error", text, MessageIcon::Stop);
}

// True when the disc holds at least one audio track; a disc of data tracks alone (a data
// disc, a Video CD) runs in file mode, whatever the number of its tracks.
bool Application::hasaudiotrack() {
    for (int track = 1; track <= mode_.cdtracks; ++track)
        if (startup_cd_.audio_track(track)) return true;
    return false;
}

// Opens the CD device, requires a disc and chooses the mode: audio-CD mode when the disc holds
// an audio track, file mode (with the device closed again) when it does not. False when the
// program ended.
bool Application::probedrive() {
    CdDeck& cd = startup_cd_;
    if (!cd.open()) {
        cd.close();
        end(1, cannotopen(cd_drive_));
        return false;
    }
    const auto tracks = cd.media_present() ? cd.tracks() : std::nullopt;
    if (!tracks) {  // an unreadable count is taken as an empty drive
        cd.close();
        end(1, "no disc in the CD drive");
        return false;
    }
    mode_.cdtracks = *tracks;
    if (!hasaudiotrack()) {
        mode_.mediamode = Mode::File;
        cd.close();
    } else {
        mode_.mediamode = Mode::Cd;
        cd.use_track_times();
    }
    return true;
}

// File mode only: checks the audio library's version, then opens and starts its output. A
// failure to open the output ends the program; the later calls only show their error box.
// False when the program ended.
bool Application::startaudio() {
    if (bassversion(*bass_) != "1.6") {
        errorbox("BASS version 1.6 was not loaded");
        end(1, "the audio engine is not the expected version");
        return false;
    }
    if (BASS_Init(*bass_, -1, 44100, makelong(0, 25), screen_->sdlwindow()) == 0) {
        // A pipe the settings name but that cannot be used is said, with the setting.
        const std::string& why = bass_->output_error();
        errorbox(why.empty() ? "Can't initialize digital sound system"
                             : "Can't initialize digital sound system\r\n" + why);
        end(1, why.empty() ? "the sound output could not be opened"
                           : "the sound output could not be opened: " + why);
        return false;
    }
    BASS_SetBufferLength(*bass_, 1.0F);  // the engine keeps its own buffering; result unused
    if (BASS_CDInit(*bass_, nullptr, 32) == 0) errorbox("Can't initialize CD system");
    if (BASS_Start(*bass_) == 0) errorbox("Can't start digital output");
    return true;
}

// Lays out and paints the screen, sets the current folder to the root and draws the first
// listing (the letter index or the root folder) with its highlight.
void Application::buildscreen() {
    view_->settings =
        DisplaySettings{effectiveperpage(settings_.perpage),  // as the keys count them
                        settings_.rendercover,
                        settings_.coverx,
                        settings_.covery,
                        rgbword(settings_.color1r, settings_.color1g, settings_.color1b),
                        rgbword(settings_.color2r, settings_.color2g, settings_.color2b)};
    startuplayout(*view_);  // places the controls, sets the colours and paints the gradient
    folders_->setpath(reader_.rootpath());
    browse_->page = 1;
    browse_->row = 1;
    // The letter index sorts the music folders; a disc is always listed by its tracks, or the
    // tracks could never be reached.
    if (settings_.showletters && mode_.mediamode == Mode::File) {
        createletters(*browser_);
        renderletters(*view_);
    } else {
        createitems(*browser_);
        renderitems(*view_, currentfolder(*browser_));
    }
    layoutsavertrack(*view_);
    renderhighlight(*view_);
}

void Application::showtitle() {
    if (mode_.mediamode == Mode::File) {
        rendertitle(*view_, kHomeTitle);
        return;
    }
    const std::string length = startup_cd_.disc_length();
    rendertitle(*view_,
                "CD audio  " + std::to_string(mode_.cdtracks) + " pistes durée total: " + length);
}

// File mode needs a music folder: a `path` that is present but empty names none, and must not
// fall back to the working folder.
bool Application::checkroot() {
    if (mode_.mediamode != Mode::File || !reader_.rootpath().empty()) return true;
    end(1, "no music folder: [system] path in settings.ini is empty");
    return false;
}

bool Application::Form_Load() {
    if (!probedrive() || !checkroot()) return false;
    if (mode_.mediamode == Mode::File && !startaudio()) return false;
    settings_ = reader_.loadsettings();
    queue_->clear();
    std::optional<SavedState> saved = loadstate();
    // A restored queue is not replaced: the scan then only walks the tree. In file mode the
    // walk starts before the first screen is built: on a big library its reading of the root
    // runs beside the screen's listing of it, and the first file is found meanwhile.
    const ScanUse use = saved ? ScanUse::WalkOnly : ScanUse::QueueAndPlay;
    if (mode_.mediamode == Mode::File) scanroot(*browser_, use);
    applyvolume();
    playback_->setlevelling(reader_.levelsettings());
    if (mode_.mediamode == Mode::File) playback_->measure(loudnessfile());
    // A saved queue comes back before the first screen is built: its entry plays first.
    if (saved && !restorestate(*saved)) {
        saved.reset();
        scanroot(*browser_, ScanUse::QueueAndPlay);
    }
    buildscreen();
    if (mode_.mediamode == Mode::Cd) scanlisted(*browser_, use);
    // A library whose music the scan leaves out (WAV or WMA only, or formats outside
    // scanformats) starts in the list with nothing playing: the user can still choose it. The
    // scan goes on in the background once it has met music; a file system too slow to tell in
    // time is judged when the scan ends.
    if (mode_.mediamode == Mode::File) {
        const std::optional<bool> music = library_->waitformusic(kMusicWait);
        if (music == false && queue_->playlistcount == 0) {
            endwithoutmusic();
            return false;
        }
        startupcheck_ = !music.has_value();
    }
    showtitle();
    if (saved) restoreview(*saved);
    renderitems(*view_, currentfolder(*browser_));
    // The list drawn last replaces the letter grid: the highlight follows it to the list row.
    renderhighlight(*view_);
    if (!options_.offscreen) screen_->show();
    startremote();
    keepingstate_ = settings_.resume && mode_.mediamode == Mode::File;
    pump();
    return !ended_;
}

void Application::endwithoutmusic() {
    Form_Unload();
    end(1, "no music under " + reader_.rootpath());
}

void Application::takescan() {
    const ScanProgress progress = library_->take();
    if (startupcheck_ && (progress.music || !progress.running)) {
        startupcheck_ = false;
        if (!progress.music && queue_->playlistcount == 0) {
            endwithoutmusic();
            return;
        }
    }
    // Files of the folder on screen joined the queue: their marks follow.
    if (progress.queued > 0 && !browse_->letterfocus && mode_.mediamode == Mode::File &&
        queuedhere(progress.queued))
        renderitems(*view_, currentfolder(*browser_));
}

// True when one of the last `count` queue entries lies in the current folder.
bool Application::queuedhere(int count) const {
    const std::string prefix = folders_->Dirs().path() + "/";
    for (int row = queue_->playlistcount - count; row < queue_->playlistcount; ++row) {
        const std::string path = queue_->playlist.path(static_cast<std::size_t>(row));
        if (path.starts_with(prefix) && path.find('/', prefix.size()) == std::string::npos)
            return true;
    }
    return false;
}

void Application::Form_Unload() {
    library_->stop();
    keepstate(true);
    keepingstate_ = false;
    startup_cd_.close();
    playback_->shutdown();
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) SDL_ShowCursor(SDL_ENABLE);
}

}  // namespace tunedeck
