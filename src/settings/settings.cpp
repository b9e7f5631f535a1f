#include "settings/settings.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "settings/numeric.h"

namespace tunedeck {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kSettingsFile = "settings.ini";

struct NumericSetting {
    int16_t Settings::*field;
    const char* section;
    const char* key;
};

// In the order loadsettings reads them; the defaults are the Settings member initialisers.
constexpr NumericSetting kNumericSettings[] = {
    {&Settings::perpage, "display", "perpage"},
    {&Settings::rendercover, "display", "rendercover"},
    {&Settings::showletters, "display", "showletters"},
    {&Settings::fixnames, "system", "fixnames"},
    {&Settings::color1r, "display", "color1r"},
    {&Settings::color1g, "display", "color1g"},
    {&Settings::color1b, "display", "color1b"},
    {&Settings::color2r, "display", "color2r"},
    {&Settings::color2g, "display", "color2g"},
    {&Settings::color2b, "display", "color2b"},
    {&Settings::coverx, "display", "coverx"},
    {&Settings::covery, "display", "covery"},
    {&Settings::savertime, "system", "savertime"},
};

std::string homefolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/";
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
        int16_t& field = settings.*s.field;
        const std::string text = readsetting({}, s.section, s.key, std::to_string(field));
        field = static_cast<int16_t>(wholenumber(text, INT16_MIN, INT16_MAX).value_or(field));
    }
    return settings;
}

std::string SettingsReader::rootpath() {
    const std::string value = readsetting({}, "system", "path", homefolder() + "/Music");
    if (value.empty()) return value;
    return normalfolder(appfolder_, value);
}

}  // namespace tunedeck
