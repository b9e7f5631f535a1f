// The phone remote and the desktop media controls attached to the application: starts and
// stops their threads, hands their requests to the key handler, shows pairing on the
// television, and publishes what the television shows after each change.
// UI thread only.
#pragma once

#include <SDL.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "remote/httpremote.h"
#include "remote/pairing.h"
#include "remote/statehub.h"
#include "remote/uievents.h"
#include "settings/remotesettings.h"
#include "view/pairing.h"

namespace tunedeck {

class MprisService;

// Key R on the remote control: show the QR code for pairing a phone.
inline constexpr int16_t kKeyShowQr = 82;

class RemoteLink {
  public:
    using Clock = std::chrono::steady_clock;

    // The paired phones' tokens are kept in `tokenfile`; the pairing elements go on `form`.
    RemoteLink(RemoteSettings settings, const std::filesystem::path& tokenfile, MainScreen& form);
    ~RemoteLink() noexcept;  // stops the threads before anything they use goes
    RemoteLink(const RemoteLink&) = delete;
    RemoteLink& operator=(const RemoteLink&) = delete;

    // Starts what the settings ask for. A part that cannot start stays off, with one line on
    // standard error saying why; the jukebox runs on without it.
    void start();
    void stop() noexcept;

    // The library index the phone's search reads; before start(), and it must outlive this.
    void setlibrary(const LibraryCatalog* catalog) { catalog_ = catalog; }
    // Handles a request posted by the remote's threads: pairing is shown here, every other
    // request (keys, rows, queue entries, seeking) goes to `act`. False for any other event.
    bool handleevent(const SDL_Event& event,
                     const std::function<void(const UiEvents::Request&)>& act);
    // Shows the QR code of the page's address with a new one-time pairing token, for 30 s.
    void showqr();
    // Hides what has been shown long enough and keeps the rest in front; then publishes.
    void publish(const RemoteState& state, Clock::time_point now);

    // The HTTP server's port; 0 when it is not serving.
    int port() const;
    bool mprisrunning() const { return mpris_ != nullptr; }
    const PairingView& pairingview() const { return view_; }

  private:
    void startserver();
    void startmpris();

    RemoteSettings settings_;
    StateHub hub_;
    Pairing pairing_;
    UiEvents events_;
    PairingView view_;
    std::optional<Clock::time_point> codeuntil_;
    std::optional<Clock::time_point> qruntil_;
    const LibraryCatalog* catalog_ = nullptr;
    // Last: they use everything above, and stop first.
    std::unique_ptr<HttpRemote> server_;
    std::unique_ptr<MprisService> mpris_;
};

}  // namespace tunedeck
