// The jukebox application: owns every piece of shared state and the main screen, runs start-up,
// the event loop with its once-a-second tick, and shutdown. No global state: a test may build
// several applications in turn, each on its own application folder.
// UI thread only.
#pragma once

#include <SDL.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <span>
#include <string>

#include "app/nowplaying.h"
#include "app/presencecheck.h"
#include "app/remotelink.h"
#include "app/savedstate.h"
#include "app/saver.h"
#include "audio/cdcontrol.h"
#include "audio/cddeck.h"
#include "audio/playback.h"
#include "audio/queue.h"
#include "browse/browser.h"
#include "browse/model.h"
#include "commands/keycontext.h"
#include "commands/soundcue.h"
#include "library/libraryscan.h"
#include "platform/audio/bass.h"
#include "platform/cd/mci.h"
#include "platform/folders/folderlists.h"
#include "platform/lib/sdl/sdl.h"
#include "platform/screen/eventwait.h"
#include "platform/screen/messagebox.h"
#include "platform/screen/screen.h"
#include "settings/settings.h"
#include "settings/userfolders.h"
#include "view/mainscreen.h"
#include "view/view.h"

namespace tunedeck {

struct AppOptions {
    std::filesystem::path appfolder;  // where settings.ini is read
    // Offscreen (tests, screenshots): no window, the given pixel size.
    bool offscreen = false;
    int widthpx = 1024;
    int heightpx = 768;
    // Message boxes; null means boxes drawn full screen on a window of their own.
    MessageBoxes* boxes = nullptr;
    // The phone remote and the desktop media controls, as settings.ini's [remote] says. The
    // program turns them on; instances embedded in tests and tools leave them off unless
    // they ask.
    bool remote = false;
    // Benchmarks watch the event loop through these (UI thread): each event as the loop takes
    // it, before it is handled; each tick once its frame is drawn.
    std::function<void(const SDL_Event&)> onevent = nullptr;
    std::function<void()> ontick = nullptr;
    // Where the files the jukebox writes are kept (paired phones); empty means the user's state
    // folder, statefolder(). Tests give a temporary folder.
    std::filesystem::path statefolder = {};
    // Tests watch resume through this: each state just before it is written.
    std::function<void(const SavedState&)> onsavestate = nullptr;
};

class Application {
  public:
    explicit Application(AppOptions options);
    ~Application() noexcept;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Start-up. True when the system is running; false when it ended (see exitstatus()).
    bool Form_Load();
    // Shutdown: releases the CD device and the audio library. Every result is ignored.
    void Form_Unload();
    // The once-a-second tick.
    void Timer1_Timer();
    // One key press, as a virtual-key code.
    void keydown(int16_t keycode);
    // Handles one event: keys, end-of-stream notifications, quit. Ignores the rest.
    void handleevent(const SDL_Event& event);
    // Handles every event already queued, without waiting; then draws when something changed.
    void pump();
    // Waits up to `ms` milliseconds for one event and handles it (and draws).
    void waitfor(int ms);
    // The event loop with its tick, until the program ends. Returns the exit status.
    int run();
    // Shows the audio library's error box with the message.
    void errorbox(const std::string& message);

    bool ended() const { return ended_; }
    int exitstatus() const { return exitstatus_; }
    // Why the program ended without a window; empty for an orderly end.
    const std::string& endreason() const { return endreason_; }

    BrowseState& browse() { return *browse_; }
    RunMode& mode() { return mode_; }
    PlayQueue& queue() { return *queue_; }
    const Settings& settings() const { return settings_; }
    AudioLibrary& bass() { return *bass_; }
    MciSession& mci() { return *mci_; }
    MainScreen& form() { return *form_; }
    Screen& screen() { return *screen_; }
    SoundCues& cues() { return *cues_; }
    SaverCounters& saver() { return saver_; }
    FolderLists& folders() { return *folders_; }
    Browser& browser() { return *browser_; }
    uint32_t lastmcierror() const { return cd_->lastmcierror(); }
    // The remote's link; null when options.remote is off or before start-up has finished.
    RemoteLink* remote() { return remote_.get(); }
    // Sets the volume (0..100, kept within) of files and the disc, and keeps it in settings.ini.
    void setvolume(int volume);
    static constexpr int kFullVolume = 100;
    // What the remote sees now: the list page and what plays.
    RemoteState remotestate();
    // True while the library scan walks the tree.
    bool scanning() const { return library_->running(); }
    // The library index; null when the phone remote is off.
    const LibraryIndex* index() const { return index_.get(); }
    // Lists the folder of the index's match `id` with the match highlighted, as the keys would
    // reach it. An id of an earlier walk, or none, changes nothing.
    void openmatch(uint64_t id);
    // What resume saves of the state now (the queue too when `withqueue`).
    SavedState currentstate(bool withqueue);

  private:
    bool mcicommand(const std::string& command, bool showerrors) {
        return cd_->mcicommand(command, showerrors);
    }
    // A deck over the CD device whose replies go into `reply`, its commands through mcicommand.
    CdDeck makedeck(std::span<char> reply);
    void end(int status, std::string reason);

    bool probedrive();
    bool checkroot();
    bool hasaudiotrack();
    bool startaudio();
    void buildscreen();
    void showtitle();
    void endwithoutmusic();
    // Takes what the library scan found since the last take.
    void takescan();
    bool queuedhere(int count) const;

    StatusLines filestatus();
    StatusLines cdstatus(const CdMode& mode);
    void ticksaver();

    // Where resume keeps the saved state: in the state folder, beside the paired phones.
    std::filesystem::path statefile() const;
    // Where the background measurement keeps the loudness of untagged files: beside it.
    std::filesystem::path loudnessfile() const;

    // Resume: the saved state read at start-up (nothing when resume is off, there is none, or
    // none of its files is left), put back, and kept up to date as the state changes.
    std::optional<SavedState> loadstate();
    void saystateunused(const std::string& why);
    // Brings the saved queue and playback back. A queue of its own file is read after its
    // entry started, when that entry can play from the rows saved around it: a library's queue
    // takes longer to read than a start may. False when the queue file cannot be used (said;
    // nothing is restored).
    bool restorestate(SavedState& saved);
    std::optional<std::string> loadqueue(const QueueFile& named, PlayQueue& into);
    void leaveoutmissing();
    void restoreplayback(SavedState& saved, int firstrow);
    void restoreview(const SavedState& saved);
    void keepstate(bool now);

    void startremote();
    // The paired phones' file in the state folder, taken over once from the program's folder
    // where an older Tunedeck kept it.
    std::filesystem::path tokenfile();
    void applyvolume();
    // A request of the phone remote or the media controls, on the UI thread.
    void remoterequest(const UiEvents::Request& request);
    // The queue line at once, after the queue changed between ticks.
    void showqueueline();
    // Moves what plays: to `milliseconds` into the file (fromstart), or by them.
    void seekplaying(int32_t milliseconds, bool fromstart);
    // After events or a tick: the remote's view of the state, published when it changed.
    void publishremote();
    void fileplayback(RemoteState& state);
    void cdplayback(RemoteState& state);
    void queueentries(RemoteState& state);
    void tagsandcover(RemoteState& state, const std::string& musicfile);

    AppOptions options_;
    SdlInit events_;  // SDL's event queue and timer, for the application's lifetime
    SettingsReader reader_;
    const OutputTarget audio_output_;  // file playback and the disc play into it
    const cd::DriveTarget cd_drive_;
    Settings settings_;
    std::unique_ptr<BrowseState> browse_;
    RunMode mode_;
    std::unique_ptr<PlayQueue> queue_;
    std::unique_ptr<AudioLibrary> bass_;
    std::unique_ptr<Playback> playback_;
    uint32_t scanevent_ = 0;  // the library scan's wake-up
    // The index the phone's search reads; kept only when the phone remote may serve.
    std::shared_ptr<LibraryIndex> index_;
    std::unique_ptr<LibraryScan> library_;
    bool startupcheck_ = false;  // start-up could not yet tell whether the root holds music
    std::unique_ptr<MciSession> mci_;
    // The CD's status replies, one buffer per user: a failed query shows that user's last reply.
    std::array<char, 40> keyreply_{};  // the key handler and the disc's listing
    std::array<char, 30> startupreply_{};
    std::array<char, 30> tickreply_{};
    CdDeck keys_cd_;
    CdDeck startup_cd_;  // start-up and shutdown
    CdDeck tick_cd_;
    std::unique_ptr<FolderLists> folders_;
    std::unique_ptr<Screen> screen_;
    std::unique_ptr<EventWait> eventwait_;  // after the screen: its window decides how to wait
    std::unique_ptr<MainScreen> form_;
    std::unique_ptr<View> view_;
    std::unique_ptr<MessageBoxes> ownboxes_;
    MessageBoxes* boxes_ = nullptr;
    std::unique_ptr<CdControl> cd_;
    std::unique_ptr<Browser> browser_;
    std::unique_ptr<SoundCues> cues_;
    std::unique_ptr<KeyContext> keys_;
    SaverCounters saver_;
    std::mt19937 random_;
    // What resume wrote last (without the queue), when (SDL ticks, ms), and whether it is on
    // for this run.
    bool keepingstate_ = false;
    std::optional<SavedState> written_;
    uint64_t writtenat_ = 0;
    bool writefailed_ = false;
    // The queue's generation and revision when its file was last written, and when; that file;
    // the queue file the state on disk names, which is never the one replaced.
    std::optional<std::pair<uint64_t, uint64_t>> queuewritten_;
    uint64_t queuewrittenat_ = 0;
    std::optional<QueueFile> queuefile_;
    int diskslot_ = 1;
    // The files of a restored queue, looked for after the start, and the queue's generation
    // then.
    std::unique_ptr<PresenceCheck> presencecheck_;
    uint64_t presencegeneration_ = 0;
    bool ended_ = false;
    int exitstatus_ = 0;
    std::string endreason_;
    std::unique_ptr<NowPlaying> nowplaying_;  // with the remote only
    QueueNames queuenames_;                   // the queue's names as last published to the remote
    uint64_t queuereshapes_ = 0;              // the queue's reshapes when they were taken
    uint32_t seeks_ = 0;                      // seeks made for the remote, counted
    // Last: its threads stop before anything they reach goes.
    std::unique_ptr<RemoteLink> remote_;
};

}  // namespace tunedeck
