// The audio library's calls, under its names, over our own engine (FFmpeg decoding, SDL2 output).
// Every function takes the engine instance first: there is no global library state.
// Handles, error codes and states follow the library's meanings; positions and lengths are bytes
// of the output format (44100 Hz, stereo, signed 16-bit: 176,400 bytes a second).
// All calls are for the UI thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/audio/loudnesstags.h"
#include "platform/audio/outputdevice.h"
#include "platform/audio/radio.h"

union SDL_Event;

namespace tunedeck {

using DWORD = uint32_t;
using QWORD = uint64_t;
using HSTREAM = uint32_t;
using HSYNC = uint32_t;
using BOOL = int;

inline constexpr DWORD BASS_SYNC_END = 2;
inline constexpr DWORD BASS_ACTIVE_STOPPED = 0;
inline constexpr DWORD BASS_ACTIVE_PLAYING = 1;
inline constexpr DWORD BASS_ACTIVE_PAUSED = 3;
// A channel's attribute: its linear gain (1 = as decoded; above 1 amplifies, saturating).
inline constexpr DWORD BASS_ATTRIB_VOL = 2;
inline constexpr DWORD BASS_POS_BYTE = 0;

// The sync procedure: sync handle, channel, data, user value. Always run on the UI thread.
using SYNCPROC = std::function<void(HSYNC, DWORD, DWORD, DWORD)>;

class AudioEngine;  // defined in platform/audio/engine.h

// Owns one engine. Create one per application (tests may create several in turn). The engine
// plays into the output that `output` names (by default SDL's audio device).
class AudioLibrary {
  public:
    explicit AudioLibrary(OutputTarget output = {});
    ~AudioLibrary();
    AudioLibrary(const AudioLibrary&) = delete;
    AudioLibrary& operator=(const AudioLibrary&) = delete;
    AudioEngine& engine() { return *engine_; }
    // Why the output the settings name could not be used when BASS_Init failed; empty when the
    // failure had nothing to do with them.
    const std::string& output_error() const;

  private:
    std::unique_ptr<AudioEngine> engine_;
};

DWORD BASS_GetVersion(AudioLibrary& bass);
BOOL BASS_Init(AudioLibrary& bass, int device, DWORD freq, DWORD flags, void* window);
BOOL BASS_SetBufferLength(AudioLibrary& bass, float seconds);
BOOL BASS_CDInit(AudioLibrary& bass, const char* drive, DWORD flags);
BOOL BASS_Start(AudioLibrary& bass);
HSTREAM BASS_StreamCreateFile(AudioLibrary& bass, BOOL mem, const char* file, DWORD offset,
                              DWORD length, DWORD flags);
// A stream of the station at `url` (http:// or https://; offset 0 only). It returns at once and
// connects on its own thread: until the station answers it plays silence, and a station that
// never answers ends it (BASS_SYNC_END) like a file that cannot be played. It has no length
// (BASS_StreamGetLength: -1, code 37) and cannot be moved (BASS_ChannelSetPosition: code 37).
HSTREAM BASS_StreamCreateURL(AudioLibrary& bass, const char* url, DWORD offset, DWORD flags);
// What a station's stream is doing and the title it sends; code 37 for a file's stream.
BOOL BASS_ChannelGetLiveStatus(AudioLibrary& bass, DWORD handle, LiveStatus* status);
BOOL BASS_StreamPlay(AudioLibrary& bass, HSTREAM handle, BOOL flush, DWORD flags);
HSYNC BASS_ChannelSetSync(AudioLibrary& bass, DWORD handle, DWORD type, QWORD param, SYNCPROC proc,
                          DWORD user);
void BASS_StreamFree(AudioLibrary& bass, HSTREAM handle);
DWORD BASS_ChannelIsActive(AudioLibrary& bass, DWORD handle);
BOOL BASS_ChannelPause(AudioLibrary& bass, DWORD handle);
BOOL BASS_ChannelResume(AudioLibrary& bass, DWORD handle);
BOOL BASS_ChannelStop(AudioLibrary& bass, DWORD handle);
QWORD BASS_ChannelGetPosition(AudioLibrary& bass, DWORD handle);
// Moves a stream to `pos` bytes into its file (BASS_POS_BYTE only). Codes: 5 no such stream, 7
// past the end, 37 another mode, 2 or 6 the file cannot be read again.
BOOL BASS_ChannelSetPosition(AudioLibrary& bass, DWORD handle, QWORD pos, DWORD mode);
QWORD BASS_ChannelSeconds2Bytes(AudioLibrary& bass, DWORD handle, double pos);
QWORD BASS_StreamGetLength(AudioLibrary& bass, HSTREAM handle);
float BASS_ChannelBytes2Seconds(AudioLibrary& bass, DWORD handle, QWORD pos);
int BASS_ErrorGetCode(AudioLibrary& bass);
// The output's volume as a control's position, 0 (silent) to 1 (full: the sound unchanged),
// heard through a perceptual curve (volumegain). Kept across BASS_Free and a reopened output.
BOOL BASS_SetVolume(AudioLibrary& bass, float volume);
float BASS_GetVolume(AudioLibrary& bass);
// Sets an attribute of a stream (BASS_ATTRIB_VOL); a change while it plays is ramped.
BOOL BASS_ChannelSetAttribute(AudioLibrary& bass, DWORD handle, DWORD attrib, float value);
BOOL BASS_ChannelGetAttribute(AudioLibrary& bass, DWORD handle, DWORD attrib, float* value);
// What the stream's file says of its loudness in its tags; false for an unknown handle.
BOOL BASS_ChannelGetLoudnessTags(AudioLibrary& bass, DWORD handle, LoudnessTags* tags);
BOOL BASS_Stop(AudioLibrary& bass);
void BASS_Free(AudioLibrary& bass);
void BASS_CDFree(AudioLibrary& bass);

// The UI thread's side of the end-of-stream notification: the SDL event type the engine posts
// (registered once per process), and the dispatcher that runs the sync procedure it carries.
// Returns true when the event was one of the engine's.
uint32_t BASS_SyncEventType();
bool BASS_DispatchSyncEvent(AudioLibrary& bass, const SDL_Event& event);

}  // namespace tunedeck
