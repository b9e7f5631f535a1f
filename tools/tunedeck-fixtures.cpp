// Command-line front end of the test-data tool: writes tones, pictures, damaged files, CD
// images and the demo library, and measures tones in decoded files and raw PCM.
#include <charconv>
#include <cstdio>
#include <exception>
#include <iostream>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "tools/fixtures/demo.h"
#include "tools/fixtures/fixtures.h"

namespace tunedeck::fixtures {
namespace {

constexpr const char* kUsageText =
    "usage: tunedeck-fixtures COMMAND ...\n"
    "  tone OUT [--format FORMAT] [--freq HZ] [--seconds S] [--rate HZ] [--channels N]\n"
    "           [--amplitude A]         (format defaults to OUT's extension)\n"
    "           formats: mp3 wav wma flac ogg (Vorbis) oga (FLAC in Ogg) opus m4a aac (ADTS)\n"
    "  picture OUT [--format jpeg|png] [--size WxH] [--colour R,G,B]\n"
    "  random OUT --bytes N [--seed S]\n"
    "  truncate SRC DEST --bytes N\n"
    "  cdimage OUT.cue|OUT.toc --track SECONDS:HZ ... [--data-track N]\n"
    "           (a track HZ of \"data\" or --data-track N makes a Mode 1 data track,\n"
    "            \"data2\" a Mode 2 one as on a Video CD)\n"
    "  demo FOLDER\n"
    "  library FOLDER [--seconds S] [--artists N] [--albums N] [--tracks N] [--singles N]\n"
    "           (hard links to one MP3 tone of S seconds, written beside FOLDER)\n"
    "  measure FILE                      (prints frequency, length and start of the tone)\n"
    "  findtones RAW [--rate HZ] [--channels N]   (segments of 16-bit PCM)\n";

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Positional words and --name value options (an option may repeat).
struct Arguments {
    std::vector<std::string> words;
    std::multimap<std::string, std::string> options;

    std::string option(const std::string& name, const std::string& fallback) const {
        const auto it = options.find(name);
        return it == options.end() ? fallback : it->second;
    }
    std::vector<std::string> all(const std::string& name) const {
        std::vector<std::string> values;
        for (auto [it, end] = options.equal_range(name); it != end; ++it)
            values.push_back(it->second);
        return values;
    }
};

Arguments parse(int argc, char** argv) {
    Arguments args;
    for (int i = 2; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (word.starts_with("--")) {
            if (i + 1 >= argc) throw UsageError("option " + std::string(word) + " needs a value");
            args.options.emplace(std::string(word.substr(2)), argv[++i]);
        } else {
            args.words.emplace_back(word);
        }
    }
    return args;
}

template <typename T>
T number(const std::string& text, const std::string& what) {
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        throw UsageError("not a number for " + what + ": " + text);
    return value;
}

void expectwords(const Arguments& args, std::size_t count) {
    if (args.words.size() != count) throw UsageError("wrong number of file arguments");
}

AudioFormat audioformat(const std::string& name) {
    if (const auto format = formatforextension(name)) return *format;
    throw UsageError("unknown audio format: " + name);
}

std::string extensionof(const std::string& file) {
    const std::string ext = fs::path(file).extension().string();
    return ext.empty() ? ext : ext.substr(1);
}

void tone(const Arguments& args) {
    expectwords(args, 1);
    Tone t;
    t.frequency = number<double>(args.option("freq", "440"), "--freq");
    t.seconds = number<double>(args.option("seconds", "2"), "--seconds");
    t.samplerate = number<int>(args.option("rate", "44100"), "--rate");
    t.channels = number<int>(args.option("channels", "2"), "--channels");
    t.amplitude = number<double>(args.option("amplitude", "0.5"), "--amplitude");
    writetone(args.words[0], audioformat(args.option("format", extensionof(args.words[0]))), t);
}

// "WxH" or "R,G,B": numbers split at one separator character.
std::vector<int> numberlist(const std::string& text, char separator, std::size_t count,
                            const std::string& what) {
    std::vector<int> values;
    std::size_t from = 0;
    while (true) {
        const std::size_t at = text.find(separator, from);
        values.push_back(number<int>(text.substr(from, at - from), what));
        if (at == std::string::npos) break;
        from = at + 1;
    }
    if (values.size() != count) throw UsageError("malformed " + what + ": " + text);
    return values;
}

void picture(const Arguments& args) {
    expectwords(args, 1);
    const std::string format = args.option("format", extensionof(args.words[0]));
    PictureFormat kind;
    if (format == "jpeg" || format == "jpg")
        kind = PictureFormat::Jpeg;
    else if (format == "png")
        kind = PictureFormat::Png;
    else
        throw UsageError("unknown picture format: " + format);
    const auto size = numberlist(args.option("size", "640x480"), 'x', 2, "--size");
    const auto rgb = numberlist(args.option("colour", "200,40,40"), ',', 3, "--colour");
    for (int c : rgb)
        if (c < 0 || c > 255) throw UsageError("colour values run from 0 to 255");
    writepicture(args.words[0], kind, size[0], size[1],
                 {uint8_t(rgb[0]), uint8_t(rgb[1]), uint8_t(rgb[2])});
}

void random(const Arguments& args) {
    expectwords(args, 1);
    writerandombytes(args.words[0], number<std::size_t>(args.option("bytes", ""), "--bytes"),
                     number<uint32_t>(args.option("seed", "1"), "--seed"));
}

void truncate(const Arguments& args) {
    expectwords(args, 2);
    writetruncated(args.words[0], args.words[1],
                   number<std::size_t>(args.option("bytes", ""), "--bytes"));
}

CdTrack cdtrack(const std::string& spec) {
    const std::size_t colon = spec.find(':');
    if (colon == std::string::npos) throw UsageError("a track is SECONDS:HZ, not " + spec);
    CdTrack track;
    track.seconds = number<double>(spec.substr(0, colon), "--track");
    const std::string pitch = spec.substr(colon + 1);
    track.data = pitch == "data" || pitch == "data2";
    track.datamode = pitch == "data2" ? 2 : 1;
    track.frequency = track.data ? 0 : number<double>(pitch, "--track");
    return track;
}

void cdimage(const Arguments& args) {
    expectwords(args, 1);
    std::vector<CdTrack> tracks;
    for (const std::string& spec : args.all("track")) tracks.push_back(cdtrack(spec));
    for (const std::string& n : args.all("data-track")) {
        const auto index = number<std::size_t>(n, "--data-track");
        if (index < 1 || index > tracks.size()) throw UsageError("no track " + n);
        tracks[index - 1].data = true;
    }
    if (tracks.empty()) throw UsageError("a CD image needs at least one --track");
    writecdimage(args.words[0], tracks);
}

void demo(const Arguments& args) {
    expectwords(args, 1);
    writedemolibrary(args.words[0]);
}

// A household's library of hard links to one tone (ONE.mp3 beside FOLDER): 5,000 artists of
// 4 albums of 10 tracks by default.
void library(const Arguments& args) {
    expectwords(args, 1);
    const fs::path root = fs::absolute(args.words[0]);
    const fs::path tone = root.parent_path() / (root.filename().string() + "-tone.mp3");
    fs::create_directories(root.parent_path());
    writetone(tone, AudioFormat::Mp3,
              {440.0, number<double>(args.option("seconds", "90"), "--seconds")});
    linklibrary(root, tone,
                {number<int>(args.option("artists", "5000"), "--artists"),
                 number<int>(args.option("albums", "4"), "--albums"),
                 number<int>(args.option("tracks", "10"), "--tracks"),
                 number<int>(args.option("singles", "0"), "--singles")});
}

void print(const ToneSegment& s) {
    std::printf("%.3f Hz  %.4f s  from %.4f s\n", s.frequency, s.seconds, s.start);
}

void measure(const Arguments& args) {
    expectwords(args, 1);
    print(measurefile(args.words[0]));
}

void segments(const Arguments& args) {
    expectwords(args, 1);
    for (const ToneSegment& s :
         findtones(args.words[0], number<int>(args.option("rate", "44100"), "--rate"),
                   number<int>(args.option("channels", "2"), "--channels")))
        print(s);
}

using Command = void (*)(const Arguments&);

Command commandnamed(const std::string& name) {
    static const std::map<std::string, Command> kCommands = {
        {"tone", tone},         {"picture", picture},    {"random", random},
        {"truncate", truncate}, {"cdimage", cdimage},    {"demo", demo},
        {"measure", measure},   {"findtones", segments}, {"library", library}};
    const auto it = kCommands.find(name);
    if (it == kCommands.end()) throw UsageError("unknown command: " + name);
    return it->second;
}

int run(int argc, char** argv) {
    try {
        if (argc < 2) throw UsageError("no command given");
        commandnamed(argv[1])(parse(argc, argv));
        return 0;
    } catch (const UsageError& e) {
        std::cerr << "tunedeck-fixtures: " << e.what() << "\n" << kUsageText;
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "tunedeck-fixtures: " << e.what() << "\n";
        return 1;
    }
}

}  // namespace
}  // namespace tunedeck::fixtures

int main(int argc, char** argv) {
    return tunedeck::fixtures::run(argc, argv);
}
