#include "commands/soundcue.h"

namespace tunedeck {

void SoundCues::soundcue(std::string_view literal) {
    std::string folder = appfolder_.string();
    while (!folder.empty() && folder.back() == '/') folder.pop_back();
    lastcue_ = folder + std::string(literal);
}

std::string SoundCues::lastliteral() const {
    const auto slash = lastcue_.rfind('/');
    return slash == std::string::npos ? std::string() : lastcue_.substr(slash);
}

}  // namespace tunedeck
