#include "remote/servermodule.h"

#include <dlfcn.h>

#include <stdexcept>
#include <string>

namespace tunedeck {
namespace {

std::string loadererror() {
    const char* reason = dlerror();
    return reason != nullptr ? reason : "unknown reason";
}

}  // namespace

ServerModule::ServerModule() {
    // Never unloaded (RTLD_NODELETE, and no dlclose): the TLS library it pulls in registers
    // exit handlers that must find their code still mapped when the program ends.
    void* handle = dlopen(kHttpRemoteModule, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (handle == nullptr) throw std::runtime_error(loadererror());
    make_ = reinterpret_cast<MakeHttpRemote>(dlsym(handle, kMakeHttpRemote));
    if (make_ == nullptr) throw std::runtime_error(loadererror());
}

std::unique_ptr<HttpRemote> ServerModule::makeserver(StateHub& hub, Pairing& pairing,
                                                     const UiEvents& events) const {
    return std::unique_ptr<HttpRemote>(make_(hub, pairing, events));
}

}  // namespace tunedeck
