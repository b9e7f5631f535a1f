// Stations on loopback, against a private Icecast server fed by ffmpeg, on SDL's disk driver in
// real time:
// - start to first sound: from creating a station's stream to its first sample handed to the
//   output. References: the server's own delay, from a plain HTTP request for the mount to the
//   first bytes of sound on the socket (Icecast hands a new listener over to its source's loop,
//   about 0.3 s), and the start of a local MP3 file; goal 500 ms;
// - a key during a connect to a server that never answers: the next queue entry (a file)
//   started while a station connects. Reference: the same key from a file to a file; goal 50 ms;
// - recovery: the source stops for 5 s; from its return (its mount live again) to the stream's
//   position moving again. Goal 3 s.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <thread>
#include <vector>

#include "audio/playback.h"
#include "engine_bench.h"
#include "tools/fixtures/icecast.h"

namespace {

namespace fx = tunedeck::fixtures;
using namespace tunedeck;
using bench::Clock;
using bench::millis;

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double worst(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

// From a plain request for the mount to the first bytes after the reply's headers.
double serverdelay(int port, const std::string& mount) {
    const auto start = Clock::now();
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const timeval timeout{5, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    std::string reply;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        const std::string request = "GET " + mount + " HTTP/1.0\r\n\r\n";
        send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        char buffer[4096];
        for (;;) {
            const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
            if (got <= 0) break;
            reply.append(buffer, static_cast<std::size_t>(got));
            const std::size_t end = reply.find("\r\n\r\n");
            if (end != std::string::npos && reply.size() > end + 4) break;
        }
    }
    close(fd);
    return millis(Clock::now() - start);
}

// Creating and playing the stream that `create` makes, to its first sample at the output.
template <typename Create>
std::vector<double> firstsound(AudioLibrary& bass, Create create, int runs) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        const HSTREAM h = create();
        BASS_StreamPlay(bass, h, 0, 0);
        while (BASS_ChannelGetPosition(bass, h) == 0 &&
               Clock::now() - start < std::chrono::seconds(5))
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        ms.push_back(millis(Clock::now() - start));
        BASS_StreamFree(bass, h);
    }
    return ms;
}

// N from row 0 to row 1 while row 0 plays (a station connecting, or a file).
std::vector<double> keydelays(AudioLibrary& bass, const std::string& first, const std::string& file,
                              int runs) {
    PlayQueue queue;
    Playback playback(bass, queue);
    queue.append("first", first);
    queue.append("file", file);
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        playback.playfrom(0, +1, false);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const auto pressed = Clock::now();
        playback.playfrom(queue.playlistpos + 1, +1, false);
        ms.push_back(millis(Clock::now() - pressed));
    }
    playback.stop();
    BASS_StreamFree(bass, queue.stream);
    return ms;
}

// From the source's return after 5 s away to the stream's position moving again.
double recovery(AudioLibrary& bass, fx::IcecastServer& server) {
    const HSTREAM h = BASS_StreamCreateURL(bass, server.url("/radio.mp3").c_str(), 0, 0);
    BASS_StreamPlay(bass, h, 0, 0);
    bench::pumpuntil(bass, [&] { return BASS_ChannelGetPosition(bass, h) > 2 * 176400; });
    server.stopsource("/radio.mp3");
    std::this_thread::sleep_for(std::chrono::seconds(5));
    if (!server.startsource("/radio.mp3", fx::StationFormat::Mp3, 660)) return -1;
    const auto back = Clock::now();
    const QWORD stood = BASS_ChannelGetPosition(bass, h);
    bench::pumpuntil(bass, [&] { return BASS_ChannelGetPosition(bass, h) > stood + 4410 * 4; });
    const double ms = millis(Clock::now() - back);
    BASS_StreamFree(bass, h);
    return ms;
}

}  // namespace

int main() {
    fx::TempDir dir;
    fx::TempDir serverdir;
    bench::diskoutput(dir, true);
    const std::string file = (dir / "a.mp3").string();
    fx::writetone(file, fx::AudioFormat::Mp3, {440, 10.0});
    try {
        fx::IcecastServer server(serverdir.path());
        fx::SilentListener silent;
        if (!server.startsource("/radio.mp3", fx::StationFormat::Mp3, 440)) {
            std::printf("radio: the source did not start\n");
            return 1;
        }
        AudioLibrary bass;
        if (!BASS_Init(bass, -1, 44100, 0, nullptr) || !BASS_Start(bass)) return 1;
        const std::string url = server.url("/radio.mp3");
        const int serverport = server.port();
        const auto local = firstsound(
            bass, [&] { return BASS_StreamCreateFile(bass, 0, file.c_str(), 0, 0, 0); }, 10);
        const auto radio = firstsound(
            bass, [&] { return BASS_StreamCreateURL(bass, url.c_str(), 0, 0); }, 10);
        std::vector<double> plain;
        for (int i = 0; i < 10; ++i) plain.push_back(serverdelay(serverport, "/radio.mp3"));
        bench::figure("radio start to first sound (median)", median(radio), "ms", "server",
                      median(plain));
        bench::figure("radio start to first sound (median)", median(radio), "ms", "file",
                      median(local));
        bench::figure("radio start to first sound (worst)", worst(radio), "ms", "goal", 500.0);
        const auto filekey = keydelays(bass, file, file, 20);
        const auto connectkey = keydelays(bass, silent.url(), file, 20);
        bench::figure("key during a connect (median)", median(connectkey), "ms", "file",
                      median(filekey));
        bench::figure("key during a connect (worst)", worst(connectkey), "ms", "goal", 50.0);
        const double back = recovery(bass, server);
        bench::figure("sound again after the source's return", back, "ms", "goal", 3000.0);
        return back >= 0 ? 0 : 1;
    } catch (const std::exception& e) {
        std::printf("radio: %s\n", e.what());
        return 1;
    }
}
