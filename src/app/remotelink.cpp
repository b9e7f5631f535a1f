#include "app/remotelink.h"

#include <cstdio>
#include <stdexcept>

#include "remote/mpris.h"
#include "remote/pageaddress.h"
#include "remote/qrcode.h"
#include "remote/servermodule.h"

namespace tunedeck {

RemoteLink::RemoteLink(RemoteSettings settings, const std::filesystem::path& tokenfile,
                       MainScreen& form)
    : settings_(std::move(settings)), pairing_(tokenfile), view_(form) {}

RemoteLink::~RemoteLink() noexcept {
    stop();
}

int RemoteLink::port() const {
    return server_ ? server_->port() : 0;
}

void RemoteLink::start() {
    if (settings_.enabled) startserver();
    if (settings_.mpris) startmpris();
}

void RemoteLink::startserver() {
    try {
        auto server = ServerModule().makeserver(hub_, pairing_, events_);
        server->attachlibrary(catalog_);
        server->start(settings_.listen.empty() ? "0.0.0.0" : settings_.listen, settings_.port);
        server_ = std::move(server);
    } catch (const std::runtime_error& error) {
        std::fprintf(stderr, "tunedeck: the phone remote is off: %s\n", error.what());
    }
}

void RemoteLink::startmpris() {
    auto mpris = std::make_unique<MprisService>(hub_, events_);
    try {
        mpris->start();
        MprisService* service = mpris.get();
        hub_.setlistener([service] { service->notify(); });
        mpris_ = std::move(mpris);
    } catch (const std::runtime_error& error) {
        std::fprintf(stderr, "tunedeck: the desktop media controls are off: %s\n", error.what());
    }
}

void RemoteLink::stop() noexcept {
    hub_.setlistener(nullptr);
    mpris_.reset();
    server_.reset();
}

bool RemoteLink::handleevent(const SDL_Event& event,
                             const std::function<void(const UiEvents::Request&)>& act) {
    const auto request = events_.decode(event);
    if (!request) return false;
    switch (request->kind) {
        case UiEvents::Kind::PairingCode:
            showpairingcode(view_, Pairing::codetext(request->value));
            codeuntil_ = Clock::now() + Pairing::kCodeLife;
            break;
        case UiEvents::Kind::Paired:
            // A code or QR code is good once: shown any longer it would only cover the screen.
            if (request->value != 0) {
                hidepairingcode(view_);
                codeuntil_.reset();
            } else {
                hidepairingqr(view_);
                qruntil_.reset();
            }
            break;
        default:
            act(*request);
            break;
    }
    return true;
}

void RemoteLink::showqr() {
    if (!server_) return;  // nothing to pair with
    const std::string address = pageaddress(settings_.listen, server_->port());
    try {
        const QrCode qr = encodeqr(address + "#pair=" + pairing_.onetimetoken(Clock::now()));
        showpairingqr(view_, qr.dark, qr.side, "Scan with your phone to pair it: " + address);
        qruntil_ = Clock::now() + Pairing::kQrLife;
    } catch (const std::runtime_error& error) {
        std::fprintf(stderr, "tunedeck: no QR code: %s\n", error.what());
    }
}

void RemoteLink::publish(const RemoteState& state, Clock::time_point now) {
    if (codeuntil_ && now >= *codeuntil_) {
        hidepairingcode(view_);
        codeuntil_.reset();
    }
    if (qruntil_ && now >= *qruntil_) {
        hidepairingqr(view_);
        qruntil_.reset();
    }
    keeppairinginfront(view_);
    hub_.publish(state);
}

}  // namespace tunedeck
