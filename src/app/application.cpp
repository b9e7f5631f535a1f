#include "app/application.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <system_error>
#include <utility>

#include "commands/commands.h"
#include "commands/viewhooks.h"
#include "platform/screen/drawnmessagebox.h"
#include "platform/screen/keys.h"
#include "platform/screen/sdlmessagebox.h"
#include "platform/screen/tick.h"

namespace tunedeck {

namespace {

// The library scan, playing through `playback`, waking the UI thread with an event of `type` and
// filling `index` when there is one.
std::unique_ptr<LibraryScan> makelibraryscan(PlayQueue& queue, Playback& playback, uint32_t type,
                                             std::shared_ptr<LibraryIndex> index) {
    ScanPlayer player{[&playback] { return playback.active(); },
                      [&playback](const std::string& path) { return playback.playfile(path); }};
    auto wake = [type] {
        SDL_Event event{};
        event.type = type;
        return SDL_PushEvent(&event) == 1;
    };
    return std::make_unique<LibraryScan>(queue, std::move(player), std::move(wake),
                                         std::move(index));
}

// Where covers embedded in music files are written for the desktop media controls: the
// user's runtime folder, else the temporary one; a folder per process.
std::filesystem::path artfolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::error_code ec;
    const std::filesystem::path base = runtime != nullptr && runtime[0] == '/'
                                           ? std::filesystem::path(runtime)
                                           : std::filesystem::temp_directory_path(ec);
    return base / ("tunedeck-" + std::to_string(getpid()));
}

std::unique_ptr<Screen> makescreen(const AppOptions& options) {
    return std::make_unique<Screen>(options.offscreen
                                        ? Screen::offscreen(options.widthpx, options.heightpx)
                                        : Screen::window());
}

AppOptions withstatefolder(AppOptions options) {
    if (options.statefolder.empty()) options.statefolder = statefolder();
    return options;
}

}  // namespace

Application::Application(AppOptions options)
    : options_(withstatefolder(std::move(options))),
      events_(startsdl(SDL_INIT_EVENTS | SDL_INIT_TIMER)),
      reader_(options_.appfolder),
      audio_output_{reader_.audio_output(), options_.appfolder},
      cd_drive_{reader_.cd_device(), options_.appfolder},
      browse_(std::make_unique<BrowseState>()),
      queue_(std::make_unique<PlayQueue>()),
      bass_(std::make_unique<AudioLibrary>(audio_output_)),
      playback_(std::make_unique<Playback>(*bass_, *queue_)),
      scanevent_(SDL_RegisterEvents(1)),
      index_(options_.remote && loadremotesettings(reader_).enabled
                 ? std::make_shared<LibraryIndex>()
                 : nullptr),
      library_(makelibraryscan(*queue_, *playback_, scanevent_, index_)),
      mci_(std::make_unique<MciSession>(cd_drive_, audio_output_)),
      keys_cd_(makedeck(keyreply_)),
      startup_cd_(makedeck(startupreply_)),
      tick_cd_(makedeck(tickreply_)),
      folders_(std::make_unique<FolderLists>()),
      screen_(makescreen(options_)),
      eventwait_(std::make_unique<EventWait>()),
      form_(std::make_unique<MainScreen>(*screen_)),
      view_(std::make_unique<View>(View{*form_, *browse_, *queue_, DisplaySettings{}})),
      cues_(std::make_unique<SoundCues>(options_.appfolder)) {
    boxes_ = options_.boxes;
    if (boxes_ == nullptr) {
        // SDL's own box only where ours cannot be drawn.
        ownboxes_ = std::make_unique<DrawnMessageBoxes>(
            screen_->sdlwindow(), std::make_unique<SdlMessageBoxes>(screen_->sdlwindow()));
        boxes_ = ownboxes_.get();
    }
    cd_ = std::make_unique<CdControl>(*mci_, *boxes_);
    browser_ = std::make_unique<Browser>(Browser{*browse_, mode_, settings_, reader_, *folders_,
                                                 *queue_, *playback_, keys_cd_, *library_});
    keys_ = std::make_unique<KeyContext>(
        KeyContext{*browser_, makecommandview(*view_, *browser_), *cues_, saver_.idlecount, [this] {
                       Form_Unload();
                       end(0, {});
                   }});
}

Application::~Application() noexcept = default;

CdDeck Application::makedeck(std::span<char> reply) {
    return CdDeck(
        *mci_,
        [this](const std::string& command, bool showerrors) {
            return mcicommand(command, showerrors);
        },
        reply);
}

void Application::end(int status, std::string reason) {
    ended_ = true;
    if (remote_) remote_->stop();
    exitstatus_ = status;
    endreason_ = std::move(reason);
}

void Application::keydown(int16_t keycode) {
    if (ended_) return;
    if (keycode == kKeyShowQr && remote_) remote_->showqr();
    int16_t code = keycode;
    Form_KeyDown(*keys_, code, 0);
}

void Application::remoterequest(const UiEvents::Request& request) {
    if (ended_) return;
    saver_.idlecount = 0;  // a request from the phone is a key press as far as the saver goes
    switch (request.kind) {
        case UiEvents::Kind::Key:
            keydown(static_cast<int16_t>(request.value));
            return;
        case UiEvents::Kind::Open:
            openmatch(request.id);
            return;
        case UiEvents::Kind::Volume:
            setvolume(request.value);
            return;
        case UiEvents::Kind::Highlight:
            highlightrow(*keys_, request.value);
            return;
        case UiEvents::Kind::QueueMove:
            if (movequeueentry(*keys_, request.value, request.second)) showqueueline();
            return;
        case UiEvents::Kind::QueueRemove:
            if (removequeueentry(*keys_, request.value)) showqueueline();
            return;
        case UiEvents::Kind::QueuePlay:
            playqueueentry(*keys_, request.value);
            return;
        case UiEvents::Kind::Seek:
            seekplaying(request.value, request.second != 0);
            return;
        default:
            return;
    }
}

void Application::seekplaying(int32_t milliseconds, bool fromstart) {
    if (mode_.mediamode == Mode::Cd) {
        if (!fromstart) seek(*keys_, milliseconds);  // as E and Z do
        return;
    }
    const double seconds = milliseconds / 1000.0;
    const double place = fromstart ? seconds : std::max(0.0, playback_->elapsed() + seconds);
    if (seekfile(*keys_, place)) ++seeks_;
}

void Application::handleevent(const SDL_Event& event) {
    if (ended_) return;
    if (options_.onevent) options_.onevent(event);
    if (playback_->dispatch(event)) return;
    if (event.type == scanevent_) {
        takescan();
        return;
    }
    if (remote_ &&
        remote_->handleevent(event, [this](const UiEvents::Request& r) { remoterequest(r); }))
        return;
    switch (event.type) {
        case SDL_KEYDOWN:
            keydown(virtualkey(event.key.keysym.sym));
            break;
        case SDL_QUIT:
            Form_Unload();
            end(0, {});
            break;
        case SDL_WINDOWEVENT:
            screen_->invalidate();
            break;
        default:
            break;
    }
}

void Application::pump() {
    SDL_Event event;
    while (!ended_ && SDL_PollEvent(&event) != 0) handleevent(event);
    leaveoutmissing();
    keepstate(false);
    publishremote();
    if (!ended_) screen_->render();
}

void Application::waitfor(int ms) {
    SDL_Event event;
    if (eventwait_->wait(event, ms)) handleevent(event);
    pump();
}

int Application::run() {
    TickDeadline deadline(SDL_GetTicks64());
    while (!ended_) {
        waitfor(deadline.timeout(SDL_GetTicks64()));
        if (!ended_ && deadline.due(SDL_GetTicks64())) {
            if (library_->running()) takescan();  // also when a wake-up could not be posted
            if (ended_) break;
            Timer1_Timer();
            keepstate(false);
            publishremote();
            if (!ended_) screen_->render();
            if (options_.ontick) options_.ontick();
        }
    }
    return exitstatus_;
}

// The volume of files and of the disc alike, kept in settings.ini for the next start.
void Application::setvolume(int volume) {
    volume = std::clamp(volume, 0, kFullVolume);
    const bool changed = volume != settings_.volume;
    settings_.volume = volume;
    applyvolume();
    if (changed) reader_.savevolume(volume);
}

void Application::applyvolume() {
    if (mode_.mediamode == Mode::Cd)
        startup_cd_.set_volume(settings_.volume);
    else
        BASS_SetVolume(*bass_, static_cast<float>(settings_.volume) / kFullVolume);
}

// The files the jukebox writes for itself, in the user's state folder.
std::filesystem::path Application::statefile() const {
    return options_.statefolder / "resume.state";
}

std::filesystem::path Application::loudnessfile() const {
    return options_.statefolder / "loudness.cache";
}

void Application::startremote() {
    if (!options_.remote) return;
    nowplaying_ = std::make_unique<NowPlaying>(artfolder());
    remote_ = std::make_unique<RemoteLink>(loadremotesettings(reader_), tokenfile(), *form_);
    remote_->setlibrary(index_.get());
    remote_->start();
}

std::filesystem::path Application::tokenfile() {
    constexpr const char* kTokenFile = "remote.tokens";
    const std::filesystem::path file = options_.statefolder / kTokenFile;
    // A folder that cannot be made shows when the first pairing cannot be kept.
    if (makestatefolder(options_.statefolder))
        adoptlegacyfile(options_.appfolder / kTokenFile, file);
    return file;
}

void Application::openmatch(uint64_t id) {
    if (ended_ || !index_) return;
    const auto location = index_->locate(id);
    if (!location) return;
    saver_.idlecount = 0;  // as a key press does: the screen shows what was opened
    walkto(*keys_, location->folder, location->target);
}

void Application::publishremote() {
    if (remote_ && !ended_) remote_->publish(remotestate(), RemoteLink::Clock::now());
}

}  // namespace tunedeck
