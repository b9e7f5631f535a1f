// Screen elements: labels, images, shapes and lines with the properties the layout uses.
// Geometry in twips, colours as RGB words. An element is a plain bag of properties; the screen
// notices any change when it is asked to render, so setting a property needs no call.
// UI thread only.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/lib/sdl/handles.h"
#include "platform/screen/picture.h"

namespace tunedeck {

enum class ElementKind { Label, Image, Shape, Line };
enum class Alignment { Left, Right, Center };
enum class ShapeKind { Rectangle, RoundedRectangle };
enum class FillStyle { Transparent, Solid, DiagonalCross };

struct FontSpec {
    std::string name = "Arial";
    double size = 8.25;  // points
    bool bold = false;
    bool operator==(const FontSpec&) const = default;
};

struct ElementProps {
    ElementKind kind = ElementKind::Label;
    int32_t left = 0, top = 0, width = 0, height = 0;  // twips
    std::string caption;                               // labels
    std::string tag;                                   // free text for the caller
    FontSpec font;
    uint32_t forecolor = 0xFFFFFF;
    uint32_t backcolor = 0;
    bool opaque = false;  // labels are transparent unless set; shapes use fillstyle instead
    Alignment alignment = Alignment::Left;
    bool visible = true;
    PictureRef picture;    // images
    bool stretch = false;  // images: scale the picture to the box
    ShapeKind shape = ShapeKind::Rectangle;
    FillStyle fillstyle = FillStyle::Transparent;
    uint32_t fillcolor = 0;
    bool border = true;
    uint32_t bordercolor = 0xFFFFFF;
    int borderwidth = 1;                     // pixels; also the width of a line
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // line ends, twips

    bool operator==(const ElementProps&) const = default;
};

// Textures an element's last drawing made, reused until what they show changes.
struct ElementCache {
    SdlTexture text;
    std::string textkey;
    SdlTexture image;
    const Picture* imagesource = nullptr;
};

class Element : public ElementProps {
  public:
    explicit Element(const ElementProps& props) : ElementProps(props) {}
    Element(const Element&) = delete;
    Element& operator=(const Element&) = delete;

    mutable ElementCache cache;  // owned by the screen's drawing; never copied with the properties
};

class Stacking;

// An array of elements indexed by a row number, whose element 0 is a hidden template: a new
// element copies every property of element 0. Creating an element that exists or destroying one
// that does not has no effect; element 0 is never destroyed.
class ElementArray {
  public:
    ElementArray(Stacking& stacking, const ElementProps& templ);
    ~ElementArray() noexcept;
    ElementArray(const ElementArray&) = delete;
    ElementArray& operator=(const ElementArray&) = delete;

    Element& templ() { return *elements_.at(0); }
    bool exists(int16_t n) const { return elements_.count(n) != 0; }
    // Null when element n does not exist.
    Element* get(int16_t n);
    const Element* get(int16_t n) const;
    // Element n; throws std::out_of_range when it does not exist.
    Element& at(int16_t n);

    // Both return true when they changed something.
    bool create(int16_t n);
    bool destroy(int16_t n);
    // Count of elements besides the template.
    std::size_t count() const { return elements_.size() - 1; }

  private:
    Stacking& stacking_;
    std::map<int16_t, std::unique_ptr<Element>> elements_;
};

}  // namespace tunedeck
