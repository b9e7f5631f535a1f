// What the INI class needs of a window to save and restore its place on the screen.
// Positions and sizes are in the window's units (twips on this platform).
#pragma once

#include <cstdint>

namespace tunedeck {

class FormGeometry {
  public:
    virtual ~FormGeometry() = default;

    virtual int32_t left() const = 0;
    virtual int32_t top() const = 0;
    virtual int32_t width() const = 0;
    virtual int32_t height() const = 0;
    virtual bool minimised() const = 0;
    virtual bool maximised() const = 0;

    virtual void move(int32_t left, int32_t top, int32_t width, int32_t height) = 0;
    virtual void maximise() = 0;

    // The screen's size in the window's units, and how many units make one pixel.
    virtual int32_t screenwidth() const = 0;
    virtual int32_t screenheight() const = 0;
    virtual int32_t unitsperpixelx() const = 0;
    virtual int32_t unitsperpixely() const = 0;
};

}  // namespace tunedeck
