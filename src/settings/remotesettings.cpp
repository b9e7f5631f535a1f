#include "settings/remotesettings.h"

#include "settings/numeric.h"

namespace tunedeck {
namespace {

constexpr const char* kSection = "remote";

// A 0/1 switch: a number other than 0 switches on; anything not a number keeps the default.
bool readswitch(SettingsReader& reader, const char* key, bool deflt) {
    const auto value =
        wholenumber(reader.readsetting({}, kSection, key, deflt ? "1" : "0"), INT16_MIN, INT16_MAX);
    return value ? *value != 0 : deflt;
}

}  // namespace

RemoteSettings loadremotesettings(SettingsReader& reader) {
    RemoteSettings settings;
    settings.enabled = readswitch(reader, "enabled", settings.enabled);
    settings.mpris = readswitch(reader, "mpris", settings.mpris);
    const auto port = wholenumber(
        reader.readsetting({}, kSection, "port", std::to_string(settings.port)), 0, 65535);
    if (port) settings.port = static_cast<int>(*port);
    settings.listen = reader.readsetting({}, kSection, "listen", "");
    return settings;
}

}  // namespace tunedeck
