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

}  // namespace

Application::Application(AppOptions options)
    : options_(std::move(options)),
      events_(startsdl(SDL_INIT_EVENTS | SDL_INIT_TIMER)),
      reader_(options_.appfolder),
      audio_output_{reader_.audio_output(), options_.appfolder},
      cd_drive_{reader_.cd_device(), options_.appfolder},
      browse_(std::make_unique<BrowseState>()),
      queue_(std::make_unique<PlayQueue>()),
      bass_(std::make_unique<AudioLibrary>(audio_output_)),
      playback_(std::make_unique<Playback>(*bass_, *queue_)),
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
    browser_ = std::make_unique<Browser>(
        Browser{*browse_, mode_, settings_, reader_, *folders_, *queue_, *playback_, keys_cd_});
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
            Timer1_Timer();
            publishremote();
            if (!ended_) screen_->render();
            if (options_.ontick) options_.ontick();
        }
    }
    return exitstatus_;
}

void Application::startremote() {
    if (!options_.remote) return;
    nowplaying_ = std::make_unique<NowPlaying>(artfolder());
    remote_ = std::make_unique<RemoteLink>(loadremotesettings(reader_),
                                           options_.appfolder / "remote.tokens", *form_);
    remote_->start();
}

void Application::publishremote() {
    if (remote_ && !ended_) remote_->publish(remotestate(), RemoteLink::Clock::now());
}

}  // namespace tunedeck
