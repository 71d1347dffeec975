// A memory DC on a white 32-bit top-down DIB section, for the drawing tests.
#pragma once

#include <windows.h>

#include <string>

namespace kmxtest {

class GdiCanvas {
  public:
    GdiCanvas(int width, int height);
    ~GdiCanvas();
    GdiCanvas(const GdiCanvas&) = delete;
    GdiCanvas& operator=(const GdiCanvas&) = delete;

    HDC dc() const { return dc_; }
    HBITMAP bitmap() const { return bitmap_; }
    COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
    // The rows TOP..BOTTOM-1 of columns LEFT..RIGHT-1 as text, '#' for
    // pixels of COLOR and '.' for the others, rows separated by '|'.
    std::string Picture(int left, int top, int right, int bottom, COLORREF color) const;
    // The number of pixels of COLOR.
    int Count(COLORREF color) const;

  private:
    int width_, height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_;
};

}  // namespace kmxtest
