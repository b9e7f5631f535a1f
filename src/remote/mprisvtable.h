// The MPRIS objects' methods and properties as sd-bus vtables. Service thread only.
#pragma once

struct sd_bus;

namespace tunedeck {

class MprisService;

inline constexpr const char* kMprisPath = "/org/mpris/MediaPlayer2";
inline constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";

// Adds the root and player interfaces at kMprisPath, calling back into `service`. Returns
// sd-bus's result (negative errno on failure).
int addmprisobjects(sd_bus* bus, MprisService* service);

}  // namespace tunedeck
