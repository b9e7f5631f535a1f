// The audio library's calls, each a thin forward to the engine.
#include "platform/audio/bass.h"

#include "platform/audio/engine.h"

namespace tunedeck {

namespace {
constexpr DWORD kVersion = 1 | (6u << 16);  // 1.6: major in the low word
}

AudioLibrary::AudioLibrary(OutputTarget output)
    : engine_(std::make_unique<AudioEngine>(std::move(output))) {}
AudioLibrary::~AudioLibrary() = default;

const std::string& AudioLibrary::output_error() const {
    return engine_->output_error();
}

DWORD BASS_GetVersion(AudioLibrary&) {
    return kVersion;
}

BOOL BASS_Init(AudioLibrary& bass, int device, DWORD, DWORD, void*) {
    return bass.engine().init(device);
}

BOOL BASS_SetBufferLength(AudioLibrary& bass, float seconds) {
    return bass.engine().setbufferlength(seconds);
}

// CD audio is played by the CD layer, not by this library: the call only succeeds.
BOOL BASS_CDInit(AudioLibrary&, const char*, DWORD) {
    return 1;
}

BOOL BASS_Start(AudioLibrary& bass) {
    return bass.engine().start();
}

HSTREAM BASS_StreamCreateFile(AudioLibrary& bass, BOOL mem, const char* file, DWORD offset,
                              DWORD length, DWORD) {
    // Streams from memory and parts of files are not offered; refuse rather than misplay.
    if (mem || offset != 0 || length != 0) return bass.engine().fail(BASS_ERROR_ILLPARAM);
    return bass.engine().createfile(file);
}

HSTREAM BASS_StreamCreateURL(AudioLibrary& bass, const char* url, DWORD offset, DWORD) {
    if (offset != 0) return bass.engine().fail(BASS_ERROR_ILLPARAM);
    return bass.engine().createurl(url);
}

BOOL BASS_ChannelGetLiveStatus(AudioLibrary& bass, DWORD handle, LiveStatus* status) {
    return bass.engine().livestatus(handle, status);
}

BOOL BASS_StreamPlay(AudioLibrary& bass, HSTREAM handle, BOOL, DWORD) {
    return bass.engine().play(handle);
}

HSYNC BASS_ChannelSetSync(AudioLibrary& bass, DWORD handle, DWORD type, QWORD, SYNCPROC proc,
                          DWORD user) {
    return bass.engine().setsync(handle, type, std::move(proc), user);
}

void BASS_StreamFree(AudioLibrary& bass, HSTREAM handle) {
    bass.engine().freestream(handle);
}

DWORD BASS_ChannelIsActive(AudioLibrary& bass, DWORD handle) {
    return bass.engine().active(handle);
}

BOOL BASS_ChannelPause(AudioLibrary& bass, DWORD handle) {
    return bass.engine().pause(handle);
}

BOOL BASS_ChannelResume(AudioLibrary& bass, DWORD handle) {
    return bass.engine().resume(handle);
}

BOOL BASS_ChannelStop(AudioLibrary& bass, DWORD handle) {
    return bass.engine().stopchannel(handle);
}

QWORD BASS_ChannelGetPosition(AudioLibrary& bass, DWORD handle) {
    return bass.engine().position(handle);
}

BOOL BASS_ChannelSetPosition(AudioLibrary& bass, DWORD handle, QWORD pos, DWORD mode) {
    return bass.engine().setposition(handle, pos, mode);
}

QWORD BASS_ChannelSeconds2Bytes(AudioLibrary& bass, DWORD handle, double pos) {
    return bass.engine().bytes(handle, pos);
}

QWORD BASS_StreamGetLength(AudioLibrary& bass, HSTREAM handle) {
    return bass.engine().length(handle);
}

float BASS_ChannelBytes2Seconds(AudioLibrary& bass, DWORD handle, QWORD pos) {
    return bass.engine().seconds(handle, pos);
}

int BASS_ErrorGetCode(AudioLibrary& bass) {
    return bass.engine().error();
}

BOOL BASS_SetVolume(AudioLibrary& bass, float volume) {
    return bass.engine().setvolume(volume);
}

float BASS_GetVolume(AudioLibrary& bass) {
    return bass.engine().volume();
}

BOOL BASS_ChannelSetAttribute(AudioLibrary& bass, DWORD handle, DWORD attrib, float value) {
    return bass.engine().setattribute(handle, attrib, value);
}

BOOL BASS_ChannelGetAttribute(AudioLibrary& bass, DWORD handle, DWORD attrib, float* value) {
    return bass.engine().getattribute(handle, attrib, value);
}

BOOL BASS_ChannelGetLoudnessTags(AudioLibrary& bass, DWORD handle, LoudnessTags* tags) {
    return bass.engine().loudnesstags(handle, tags);
}

BOOL BASS_Stop(AudioLibrary& bass) {
    return bass.engine().stop();
}

void BASS_Free(AudioLibrary& bass) {
    bass.engine().free();
}

// Nothing to release: no CD is opened by this library.
void BASS_CDFree(AudioLibrary&) {}

uint32_t BASS_SyncEventType() {
    return AudioEngine::synceventtype();
}

bool BASS_DispatchSyncEvent(AudioLibrary& bass, const SDL_Event& event) {
    return bass.engine().dispatch(event);
}

}  // namespace tunedeck
