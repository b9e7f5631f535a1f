// Owning handles for the C objects of SDL, SDL_ttf and fontconfig. Each handle is a move-only
// class that releases its object in a noexcept destructor.
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <stdexcept>
#include <string>
#include <utility>

namespace tunedeck {

// Failure of an SDL call, carrying SDL_GetError's text.
class ScreenError : public std::runtime_error {
  public:
    explicit ScreenError(const std::string& what);
};

template <typename T, void (*Release)(T*)>
class CHandle {
  public:
    CHandle() noexcept = default;
    explicit CHandle(T* p) noexcept : p_(p) {}
    ~CHandle() noexcept {
        if (p_) Release(p_);
    }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;
    CHandle(CHandle&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    CHandle& operator=(CHandle&& o) noexcept {
        if (this != &o) {
            if (p_) Release(p_);
            p_ = std::exchange(o.p_, nullptr);
        }
        return *this;
    }
    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

  private:
    T* p_ = nullptr;
};

using SdlWindow = CHandle<SDL_Window, SDL_DestroyWindow>;
using SdlRenderer = CHandle<SDL_Renderer, SDL_DestroyRenderer>;
using SdlTexture = CHandle<SDL_Texture, SDL_DestroyTexture>;
using SdlSurface = CHandle<SDL_Surface, SDL_FreeSurface>;
using TtfFont = CHandle<TTF_Font, TTF_CloseFont>;
using FcPatternHandle = CHandle<FcPattern, FcPatternDestroy>;
using FcCharSetHandle = CHandle<FcCharSet, FcCharSetDestroy>;
using FcFontSetHandle = CHandle<FcFontSet, FcFontSetDestroy>;

// Throws ScreenError when `p` is null; returns it otherwise.
template <typename T>
T* sdlcheck(T* p, const char* what) {
    if (!p) throw ScreenError(std::string(what) + ": " + SDL_GetError());
    return p;
}

// An ARGB8888 software surface of the given size in pixels.
SdlSurface makesurface(int width, int height);

// Keeps one of SDL's subsystems, SDL_ttf or SDL_image initialised while it lives. These
// libraries count their users, so several screens can coexist.
class SdlVideoLibrary {
  public:
    SdlVideoLibrary();
    ~SdlVideoLibrary() noexcept;
    SdlVideoLibrary(const SdlVideoLibrary&) = delete;
    SdlVideoLibrary& operator=(const SdlVideoLibrary&) = delete;
    SdlVideoLibrary(SdlVideoLibrary&& o) noexcept : owned_(std::exchange(o.owned_, false)) {}
    SdlVideoLibrary& operator=(SdlVideoLibrary&&) = delete;

  private:
    bool owned_ = true;
};

class TtfLibrary {
  public:
    TtfLibrary();
    ~TtfLibrary() noexcept;
    TtfLibrary(const TtfLibrary&) = delete;
    TtfLibrary& operator=(const TtfLibrary&) = delete;
    TtfLibrary(TtfLibrary&& o) noexcept : owned_(std::exchange(o.owned_, false)) {}
    TtfLibrary& operator=(TtfLibrary&&) = delete;

  private:
    bool owned_ = true;
};

class ImageLibrary {
  public:
    ImageLibrary();
    ~ImageLibrary() noexcept;
    ImageLibrary(const ImageLibrary&) = delete;
    ImageLibrary& operator=(const ImageLibrary&) = delete;
    ImageLibrary(ImageLibrary&& o) noexcept : owned_(std::exchange(o.owned_, false)) {}
    ImageLibrary& operator=(ImageLibrary&&) = delete;

  private:
    bool owned_ = true;
};

}  // namespace tunedeck
