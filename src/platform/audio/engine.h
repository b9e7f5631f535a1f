// The engine behind the audio library's calls: streams by handle, their play state, the output,
// the last error code and the end-of-stream notifications. UI thread only, except where noted.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio/bass.h"
#include "platform/audio/output.h"
#include "platform/audio/outputdevice.h"
#include "platform/audio/radio.h"
#include "platform/audio/stream.h"
#include "platform/lib/sdl/sdl.h"

namespace tunedeck {

// The library's error codes that the engine reports.
enum BassError : int {
    BASS_OK = 0,
    BASS_ERROR_MEM = 1,
    BASS_ERROR_FILEOPEN = 2,
    BASS_ERROR_DRIVER = 3,
    BASS_ERROR_HANDLE = 5,
    BASS_ERROR_POSITION = 7,
    BASS_ERROR_FORMAT = 6,
    BASS_ERROR_INIT = 8,
    BASS_ERROR_START = 9,
    BASS_ERROR_ALREADY = 14,
    BASS_ERROR_NOPAUSE = 16,
    BASS_ERROR_NOCHAN = 18,
    BASS_ERROR_ILLTYPE = 19,
    BASS_ERROR_ILLPARAM = 20,
    BASS_ERROR_DEVICE = 23,
    BASS_ERROR_NOPLAY = 24,
    BASS_ERROR_NOTAVAIL = 37,
    BASS_ERROR_UNKNOWN = -1,
};

class AudioEngine {
  public:
    // Plays into the output `target` names.
    explicit AudioEngine(OutputTarget target);
    ~AudioEngine();
    AudioEngine(const AudioEngine&) = delete;
    AudioEngine& operator=(const AudioEngine&) = delete;

    int error() const { return error_; }
    // Why the output named by the settings could not be used at the last init(); empty when it
    // could, or when the sound card failed (the error code says enough then).
    const std::string& output_error() const { return output_error_; }
    // Records `code` as the last error and returns 0.
    BOOL fail(int code);

    BOOL init(int device);
    BOOL setbufferlength(float seconds);
    BOOL start();
    BOOL stop();
    void free();

    HSTREAM createfile(const char* path);
    // A stream of the station at `url` (http:// or https://). Returns at once: the stream
    // connects on its own thread, plays silence until the station answers, and ends (its end
    // notification posted) when it never does.
    HSTREAM createurl(const char* url);
    // What a station's stream is doing; BASS_ERROR_NOTAVAIL for a file's.
    BOOL livestatus(DWORD handle, LiveStatus* status);
    BOOL play(HSTREAM handle);
    BOOL pause(DWORD handle);
    BOOL resume(DWORD handle);
    BOOL stopchannel(DWORD handle);
    void freestream(HSTREAM handle);
    DWORD active(DWORD handle);
    QWORD position(DWORD handle);
    // Moves a stream to `bytes` into its file (a frame's bytes: 4), whatever its state; a
    // playing stream goes on from there at the next period, its end notification armed anew.
    BOOL setposition(DWORD handle, QWORD bytes, DWORD mode);
    QWORD length(DWORD handle);
    float seconds(DWORD handle, QWORD bytes);
    // Whole frames in `seconds` (negative or not a number: 0); -1 for a bad handle.
    QWORD bytes(DWORD handle, double seconds);
    HSYNC setsync(DWORD handle, DWORD type, SYNCPROC proc, DWORD user);
    BOOL setvolume(float position);
    float volume() const { return volume_; }
    BOOL setattribute(DWORD handle, DWORD attrib, float value);
    BOOL getattribute(DWORD handle, DWORD attrib, float* value);
    BOOL loudnesstags(DWORD handle, LoudnessTags* tags);

    // Runs the end-of-stream procedures an engine event names; true for any engine event.
    bool dispatch(const SDL_Event& event);
    // The SDL user event type of the notifications, registered once per process (any thread).
    static Uint32 synceventtype();

  private:
    enum class State { Stopped, Playing, Paused };
    struct Sync {
        HSYNC handle;
        SYNCPROC proc;
        DWORD user;
    };
    struct Channel {
        std::string path;
        std::unique_ptr<Stream> stream;
        const RadioSource* radio = nullptr;  // a station's source, owned by `stream`
        State state = State::Stopped;
        std::vector<Sync> syncs;
        bool endfired = false;
    };

    BOOL ok();
    Channel* find(DWORD handle);
    std::unique_ptr<Stream> openstream(const std::string& path, HSTREAM handle, uint64_t start);
    std::function<void()> endnotice(HSTREAM handle) const;
    void retire(std::unique_ptr<Stream> stream);
    BOOL openfailed(const std::exception_ptr& failure);
    void poll();
    void devicelost();
    bool ensureoutput();
    void detach(Channel& channel);
    void silence(Channel& channel);
    void postend(HSTREAM handle) const;
    static void postevent(const void* engine, uintptr_t token, HSTREAM handle);

    SdlInit sdl_;
    const OutputTarget target_;
    std::string output_error_;
    std::map<DWORD, Channel> channels_;
    // Freed streams whose last samples are still playing; destroyed once played out.
    std::vector<std::unique_ptr<Stream>> draining_;
    // Released station streams whose threads are still giving up a connection or a read: freed
    // once they have, so that leaving a station never waits on the network.
    std::vector<std::unique_ptr<Stream>> closing_;
    Output output_;  // declared last: closes before the streams it plays are destroyed
    int error_ = BASS_OK;
    float volume_ = 1.0f;  // the control's position
    bool initialised_ = false;
    DWORD nexthandle_ = 1;
    HSYNC nextsync_ = 1;
    std::size_t bufferbytes_;
    uintptr_t token_;  // tells this engine's events from those of an earlier one
};

}  // namespace tunedeck
