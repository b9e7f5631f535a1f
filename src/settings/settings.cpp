#include "settings/settings.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/profile/profile.h"
#include "settings/numeric.h"
#include "settings/userfolders.h"

namespace tunedeck {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kSettingsFile = "settings.ini";

struct NumericSetting {
    int Settings::*field;
    const char* section;
    const char* key;
    bool colour = false;  // a colour component, kept within 0..255
};

struct SwitchSetting {
    bool Settings::*field;
    const char* section;
    const char* key;
};

// The defaults are the Settings member initialisers.
constexpr NumericSetting kNumericSettings[] = {
    {&Settings::perpage, "display", "perpage"},
    {&Settings::color1r, "display", "color1r", true},
    {&Settings::color1g, "display", "color1g", true},
    {&Settings::color1b, "display", "color1b", true},
    {&Settings::color2r, "display", "color2r", true},
    {&Settings::color2g, "display", "color2g", true},
    {&Settings::color2b, "display", "color2b", true},
    {&Settings::coverx, "display", "coverx"},
    {&Settings::covery, "display", "covery"},
    {&Settings::savertime, "system", "savertime"},
    {&Settings::volume, "audio", "volume"},
};

constexpr int kMaxVolume = 100;
constexpr double kMaxPreampDb = 15;

constexpr SwitchSetting kSwitchSettings[] = {
    {&Settings::rendercover, "display", "rendercover"},
    {&Settings::showletters, "display", "showletters"},
    {&Settings::fixnames, "system", "fixnames"},
    {&Settings::resume, "system", "resume"},
};

// A setting is a 16-bit whole number; text that is none leaves the default.
int readnumber(SettingsReader& reader, const char* section, const char* key, int deflt) {
    const std::string text = reader.readsetting({}, section, key, std::to_string(deflt));
    return static_cast<int>(wholenumber(text, INT16_MIN, INT16_MAX).value_or(deflt));
}

// Home folder of a named user; empty when there is no such user.
std::string userhome(const std::string& user) {
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwnam_r(user.c_str(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
        !found->pw_dir)
        return {};
    return found->pw_dir;
}

bool namechar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

// `~`, `~user`, `$HOME` and `${HOME}` at the start of the value, expanded as a shell does;
// anything else, an unknown user included, is left as it is.
std::string expandhome(const std::string& value) {
    if (value.starts_with("${HOME}")) return homefolder() + value.substr(7);
    if (value.starts_with("$HOME") && (value.size() == 5 || !namechar(value[5])))
        return homefolder() + value.substr(5);
    if (!value.starts_with('~')) return value;
    const std::size_t slash = std::min(value.find('/'), value.size());
    const std::string user = value.substr(1, slash - 1);
    const std::string home = user.empty() ? homefolder() : userhome(user);
    return home.empty() ? value : home + value.substr(slash);
}

// Absolute, lexically resolved, no trailing '/' except for "/" itself.
std::string normalfolder(const fs::path& appfolder, const std::string& value) {
    fs::path p(value);
    if (p.is_relative()) p = appfolder / p;
    std::string text = p.lexically_normal().string();
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    return text;
}

}  // namespace

fs::path applicationfolder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) return exe.parent_path();
    // Without /proc there is no better answer than where we were started.
    return fs::current_path(ec);
}

SettingsReader::SettingsReader(fs::path appfolder) : appfolder_(std::move(appfolder)) {}

std::string SettingsReader::settingsfile(std::string_view file) const {
    std::string folder = appfolder_.string();
    if (folder.empty() || folder.back() != '/') folder.push_back('/');
    return folder + std::string(file.empty() ? kSettingsFile : file);
}

std::string SettingsReader::readsetting(std::string_view file, std::string_view section,
                                        std::string_view key, std::string_view deflt) {
    if (!inifile_) inifile_.emplace();
    inifile_->Path(settingsfile(file));
    inifile_->Section(std::string(section));
    inifile_->Key(std::string(key));
    inifile_->Default(std::string(deflt));
    return inifile_->Value();
}

Settings SettingsReader::loadsettings() {
    Settings settings;
    for (const NumericSetting& s : kNumericSettings) {
        int& field = settings.*s.field;
        field = readnumber(*this, s.section, s.key, field);
        // A component of 256 would otherwise wrap to 0 in the colour word.
        if (s.colour) field = std::clamp(field, 0, 255);
    }
    for (const SwitchSetting& s : kSwitchSettings) {
        bool& field = settings.*s.field;
        field = readnumber(*this, s.section, s.key, field ? 1 : 0) == 1;
    }
    settings.volume = std::clamp(settings.volume, 0, kMaxVolume);
    settings.scanformats = readsetting({}, "system", "scanformats", settings.scanformats);
    return settings;
}

LevelSettings SettingsReader::levelsettings() {
    LevelSettings level;
    std::string mode = readsetting({}, "audio", "replaygain", "auto");
    std::transform(mode.begin(), mode.end(), mode.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (mode == "track") level.mode = GainMode::Track;
    if (mode == "album") level.mode = GainMode::Album;
    if (mode == "off") level.mode = GainMode::Off;
    const auto preamp = decimalnumber(readsetting({}, "audio", "preamp", "0"));
    if (preamp) level.preampdb = std::clamp(*preamp, -kMaxPreampDb, kMaxPreampDb);
    level.measure = readnumber(*this, "audio", "measure", 1) == 1;
    return level;
}

bool SettingsReader::savevolume(int volume) {
    const std::string value = std::to_string(std::clamp(volume, 0, kMaxVolume));
    return WritePrivateProfileStringA("audio", "volume", value.c_str(), settingsfile().c_str()) !=
           0;
}

std::string SettingsReader::audio_output() {
    return readsetting({}, "audio", "output", "");
}

std::string SettingsReader::cd_device() {
    // A device or image path may be longer than the INI class's value buffer.
    std::array<char, PATH_MAX> value{};
    GetPrivateProfileStringA("cd", "device", "", value.data(), uint32_t(value.size()),
                             settingsfile().c_str());
    return value.data();
}

std::string SettingsReader::rootpath() {
    const std::string value = readsetting({}, "system", "path", homefolder() + "/Music");
    if (value.empty()) return value;
    return normalfolder(appfolder_, expandhome(value));
}

}  // namespace tunedeck
