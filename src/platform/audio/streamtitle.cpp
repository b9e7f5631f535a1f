#include "platform/audio/streamtitle.h"

#include <cctype>

#include "platform/audio/decoder.h"

extern "C" {
#include <libavutil/dict.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
}

namespace tunedeck {

namespace {

constexpr std::string_view kTitleKey = "StreamTitle='";
// ICY blocks are at most 255 × 16 bytes; a longer one is no block of a station.
constexpr std::size_t kMaxMetadata = 255 * 16;

// The length of the UTF-8 sequence `lead` starts, 0 for a byte that starts none.
std::size_t sequencelength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

bool isutf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = sequencelength(static_cast<unsigned char>(text[i]));
        if (length == 0 || i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        i += length;
    }
    return true;
}

std::string latin1toutf8(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

std::string withoutcontrols(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) out += c;
    }
    return out;
}

// Whether `text` starts with the next field of a block: letters, then "='".
bool startsfield(std::string_view text) {
    std::size_t letters = 0;
    while (letters < text.size() && std::isalpha(static_cast<unsigned char>(text[letters])) != 0)
        ++letters;
    return letters > 0 && text.substr(letters).starts_with("='");
}

// Where the title that starts `rest` ends: at the "';" that closes the block or comes before
// its next field, so that a title holding "';" itself is kept whole.
std::size_t titleend(std::string_view rest) {
    std::size_t last = std::string_view::npos;
    for (std::size_t at = rest.find("';"); at != std::string_view::npos;
         at = rest.find("';", at + 1)) {
        const std::string_view after = rest.substr(at + 2);
        if (after.empty() || after.front() == '\0' || startsfield(after)) return at;
        last = at;
    }
    if (last != std::string_view::npos) return last;
    const std::size_t quote = rest.rfind('\'');
    return quote == std::string_view::npos ? rest.size() : quote;
}

}  // namespace

std::string icystreamtitle(std::string_view metadata) {
    if (metadata.size() > kMaxMetadata) return {};
    const std::size_t start = metadata.find(kTitleKey);
    if (start == std::string_view::npos) return {};
    const std::string_view rest = metadata.substr(start + kTitleKey.size());
    const std::string_view title = rest.substr(0, titleend(rest));
    return withoutcontrols(isutf8(title) ? std::string(title) : latin1toutf8(title));
}

std::string Decoder::streamtitle() const {
    if (format_->pb != nullptr) {
        uint8_t* packet = nullptr;
        if (av_opt_get(format_->pb, "icy_metadata_packet", AV_OPT_SEARCH_CHILDREN, &packet) >= 0 &&
            packet != nullptr) {
            std::string title = icystreamtitle(reinterpret_cast<const char*>(packet));
            av_free(packet);
            if (!title.empty()) return title;
        }
    }
    const AVDictionary* tags = format_->streams[streamIndex_]->metadata;
    const AVDictionaryEntry* title = av_dict_get(tags, "title", nullptr, 0);
    if (title == nullptr) return {};
    const AVDictionaryEntry* artist = av_dict_get(tags, "artist", nullptr, 0);
    const std::string text = artist != nullptr ? std::string(artist->value) + " - " + title->value
                                               : std::string(title->value);
    return icystreamtitle("StreamTitle='" + text + "';");
}

}  // namespace tunedeck
