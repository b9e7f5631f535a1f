#include "remote/servermodule.h"

#include <dlfcn.h>
#include <link.h>

#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace tunedeck {
namespace {

std::string loadererror() {
    const char* reason = dlerror();
    return reason != nullptr ? reason : "unknown reason";
}

// The folders the dynamic loader would search for a library of the program, its run path
// included, in order. The module is opened by full path from these rather than by its bare
// name, because a sanitizer's dlopen interceptor would search its own run path, not ours.
std::vector<std::filesystem::path> loaderfolders() {
    // The program's own handle: nothing to release, it lives as long as the process.
    void* program = dlopen(nullptr, RTLD_NOW);
    if (program == nullptr) return {};
    Dl_serinfo size{};
    if (dlinfo(program, RTLD_DI_SERINFOSIZE, &size) != 0) return {};
    // Dl_serinfo ends in an array that the loader fills to dls_size bytes.
    std::vector<std::max_align_t> storage(size.dls_size / sizeof(std::max_align_t) + 1);
    auto* info = reinterpret_cast<Dl_serinfo*>(storage.data());
    *info = size;
    if (dlinfo(program, RTLD_DI_SERINFOSIZE, info) != 0 ||
        dlinfo(program, RTLD_DI_SERINFO, info) != 0)
        return {};
    std::vector<std::filesystem::path> folders;
    for (unsigned i = 0; i < info->dls_cnt; ++i)
        folders.emplace_back(info->dls_serpath[i].dls_name);
    return folders;
}

}  // namespace

ServerModule::ServerModule() {
    for (const auto& folder : loaderfolders()) {
        const std::filesystem::path file = folder / kHttpRemoteModule;
        std::error_code error;
        if (!std::filesystem::is_regular_file(file, error)) continue;
        // Never unloaded (RTLD_NODELETE, and no dlclose): the TLS library it pulls in registers
        // exit handlers that must find their code still mapped when the program ends.
        void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        if (handle == nullptr) throw std::runtime_error(loadererror());
        make_ = reinterpret_cast<MakeHttpRemote>(dlsym(handle, kMakeHttpRemote));
        if (make_ == nullptr) throw std::runtime_error(loadererror());
        return;
    }
    throw std::runtime_error(std::string(kHttpRemoteModule) + " is not beside the program");
}

std::unique_ptr<HttpRemote> ServerModule::makeserver(StateHub& hub, Pairing& pairing,
                                                     const UiEvents& events) const {
    return std::unique_ptr<HttpRemote>(make_(hub, pairing, events));
}

}  // namespace tunedeck
