// The entry point of the tunedeck-remote.so module, looked up by ServerModule.
#include "remote/http/httpserver.h"
#include "remote/servermodule.h"

#include <memory>
#include <type_traits>

// Checked against the loader's declaration, so both sides agree on the signature.
extern "C" __attribute__((visibility("default"))) tunedeck::HttpRemote* tunedeck_make_http_remote(
    tunedeck::StateHub& hub, tunedeck::Pairing& pairing, const tunedeck::UiEvents& events) {
    static_assert(std::is_same_v<decltype(&tunedeck_make_http_remote), tunedeck::MakeHttpRemote>);
    // Ownership passes to the caller, who deletes it through HttpRemote's virtual destructor.
    return std::make_unique<tunedeck::RemoteServer>(hub, pairing, events).release();
}
