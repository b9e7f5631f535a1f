#include "platform/screen/errorpage.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <stdexcept>

namespace tunedeck {
namespace {

// The jukebox's own gradient, top to bottom, whatever the settings say: a box may come before
// they are read.
constexpr uint32_t kTopColour = rgbword(7, 18, 143);
constexpr uint32_t kBottomColour = rgbword(68, 74, 147);
constexpr const char* kFamily = "Trebuchet MS";
constexpr double kTitlePoints = 36;
constexpr double kTextPoints = 24;
constexpr double kSmallestTextPoints = 8;
// Twips.
constexpr int32_t kSideMargin = 1000;
constexpr int32_t kEndMargin = 600;
constexpr int32_t kTitleGap = 500;
constexpr int32_t kButtonGap = 600;
constexpr int32_t kButtonWidth = 2400;
constexpr int32_t kButtonHeight = 700;
constexpr int32_t kButtonBorder = 30;
constexpr int32_t kShadowOffset = 70;

int widthof(TTF_Font* font, const std::string& text) {
    int w = 0, h = 0;
    // A text the font library cannot measure counts as too wide, so it is broken further.
    return TTF_SizeUTF8(font, text.c_str(), &w, &h) == 0 ? w : INT_MAX;
}

std::vector<std::string> paragraphs(const std::string& text) {
    std::vector<std::string> out(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            out.back().push_back(c);
            continue;
        }
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        out.emplace_back();
    }
    return out;
}

std::vector<std::string> wordsof(const std::string& paragraph) {
    std::vector<std::string> words;
    std::string word;
    for (const char c : paragraph + ' ') {
        if (c != ' ' && c != '\t') {
            word.push_back(c);
        } else if (!word.empty()) {
            words.push_back(std::move(word));
            word.clear();
        }
    }
    return words;
}

// The longest head of `word`, in whole UTF-8 characters, that fits; at least one character.
std::size_t fittinghead(TTF_Font* font, const std::string& word, int widthpx) {
    std::vector<std::size_t> cuts;
    for (std::size_t i = 1; i <= word.size(); ++i)
        if (i == word.size() || (static_cast<unsigned char>(word[i]) & 0xC0) != 0x80)
            cuts.push_back(i);
    std::size_t best = 0, from = 0, to = cuts.size();
    while (from < to) {
        const std::size_t mid = (from + to) / 2;
        if (widthof(font, word.substr(0, cuts[mid])) <= widthpx) {
            best = mid;
            from = mid + 1;
        } else {
            to = mid;
        }
    }
    return cuts[best];
}

void wrapparagraph(TTF_Font* font, const std::string& paragraph, int widthpx,
                   std::vector<std::string>& lines) {
    std::string line;
    for (std::string word : wordsof(paragraph)) {
        std::string joined = line.empty() ? word : line + ' ' + word;
        if (widthof(font, joined) <= widthpx) {
            line = std::move(joined);
            continue;
        }
        if (!line.empty()) lines.push_back(std::move(line));
        while (widthof(font, word) > widthpx) {
            const std::size_t head = fittinghead(font, word, widthpx);
            if (head >= word.size()) break;  // one character wider than the line
            lines.push_back(word.substr(0, head));
            word.erase(0, head);
        }
        line = std::move(word);
    }
    lines.push_back(std::move(line));  // an empty paragraph is an empty line
}

TTF_Font* openfont(Screen& screen, const FontSpec& spec) {
    TTF_Font* font = screen.fonts().font(spec, screen.scale().fontpx(spec.size));
    if (!font) throw std::runtime_error("no font for the message box");
    return font;
}

// Lines of one font, each as tall as the font's line spacing (twips).
struct TextBlock {
    FontSpec font;
    std::vector<std::string> lines;
    int32_t lineheight = 0;
    int32_t height() const { return lineheight * static_cast<int32_t>(lines.size()); }
};

TextBlock wrapblock(Screen& screen, const FontSpec& spec, const std::string& text, int widthpx) {
    TTF_Font* font = openfont(screen, spec);
    return {spec, wraplines(font, text, widthpx), screen.scale().twips(TTF_FontLineSkip(font))};
}

ElementProps centredlabel(const std::string& text, const FontSpec& font, int32_t left, int32_t top,
                          int32_t width, int32_t height, uint32_t colour) {
    ElementProps p;
    p.kind = ElementKind::Label;
    p.caption = text;
    p.font = font;
    p.left = left;
    p.top = top;
    p.width = width;
    p.height = height;
    p.forecolor = colour;
    p.alignment = Alignment::Center;
    return p;
}

// Adds the block's lines from `top` down, with a black shadow where asked; returns its bottom.
int32_t placeblock(Screen& screen, const TextBlock& block, int32_t top, bool shadow) {
    const int32_t width = screen.width() - 2 * kSideMargin;
    for (const std::string& line : block.lines) {
        if (shadow)
            screen.add(centredlabel(line, block.font, kSideMargin + kShadowOffset,
                                    top + kShadowOffset, width, block.lineheight, 0x000000));
        screen.add(
            centredlabel(line, block.font, kSideMargin, top, width, block.lineheight, 0xFFFFFF));
        top += block.lineheight;
    }
    return top;
}

// The OK button, drawn as the list's highlight: a black rounded box with a white border.
void placebutton(Screen& screen, int32_t top) {
    const int32_t left = (screen.width() - kButtonWidth) / 2;
    ElementProps box;
    box.kind = ElementKind::Shape;
    box.shape = ShapeKind::RoundedRectangle;
    box.fillstyle = FillStyle::Solid;
    box.fillcolor = 0x000000;
    box.bordercolor = 0xFFFFFF;
    box.borderwidth = std::max(1, screen.scale().px(kButtonBorder));
    box.left = left;
    box.top = top;
    box.width = kButtonWidth;
    box.height = kButtonHeight;
    screen.add(box);
    const FontSpec font{kFamily, kTextPoints, true};
    const int32_t lineheight = screen.scale().twips(TTF_FontLineSkip(openfont(screen, font)));
    screen.add(centredlabel("OK", font, left, top + (kButtonHeight - lineheight) / 2, kButtonWidth,
                            lineheight, 0xFFFFFF));
}

uint32_t mix(uint32_t from, uint32_t to, double share) {
    auto channel = [share](uint8_t a, uint8_t b) {
        return static_cast<int>(std::lround(a + (b - a) * share));
    };
    return rgbword(channel(redof(from), redof(to)), channel(greenof(from), greenof(to)),
                   channel(blueof(from), blueof(to)));
}

void paintgradient(BackgroundImage& image) {
    const int rows = image.height();
    for (int y = 0; y < rows; ++y) {
        const double share = rows > 1 ? static_cast<double>(y) / (rows - 1) : 0.0;
        image.fillrect({0, y, image.width(), y + 1}, mix(kTopColour, kBottomColour, share));
    }
}

}  // namespace

std::vector<std::string> wraplines(TTF_Font* font, const std::string& text, int widthpx) {
    std::vector<std::string> lines;
    for (const std::string& paragraph : paragraphs(text))
        wrapparagraph(font, paragraph, widthpx, lines);
    return lines;
}

void builderrorpage(Screen& screen, const std::string& title, const std::string& text) {
    const Scale& scale = screen.scale();
    const int32_t height = screen.height();
    // A line may take the label's whole box, whose edges are rounded to pixels.
    const int widthpx = scale.px(screen.width() - kSideMargin) - scale.px(kSideMargin) - 1;
    const TextBlock head = wrapblock(screen, {kFamily, kTitlePoints, true}, title, widthpx);
    const int32_t room =
        height - 2 * kEndMargin - head.height() - kTitleGap - kButtonGap - kButtonHeight;
    // A long message gets smaller type until it fits the screen.
    TextBlock body;
    for (double points = kTextPoints;; points -= 2) {
        body = wrapblock(screen, {kFamily, points, false}, text, widthpx);
        if (body.height() <= room || points - 2 < kSmallestTextPoints) break;
    }
    const int32_t total = head.height() + kTitleGap + body.height() + kButtonGap + kButtonHeight;
    int32_t top = std::max(kEndMargin, (height - total) / 2);
    top = placeblock(screen, head, top, true) + kTitleGap;
    top = placeblock(screen, body, top, false) + kButtonGap;
    placebutton(screen, top);
    paintgradient(screen.background());
}

}  // namespace tunedeck
