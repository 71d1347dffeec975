#include "ui/gdi_canvas.h"

namespace kmxtest {

GdiCanvas::GdiCanvas(int width, int height) : width_(width), height_(height) {
    dc_ = CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    previous_ = SelectObject(dc_, bitmap_);
    PatBlt(dc_, 0, 0, width, height, WHITENESS);
}

GdiCanvas::~GdiCanvas() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}

std::string GdiCanvas::Picture(int left, int top, int right, int bottom, COLORREF color) const {
    std::string picture;
    for (int y = top; y < bottom; ++y) {
        if (y > top) picture += '|';
        for (int x = left; x < right; ++x) picture += At(x, y) == color ? '#' : '.';
    }
    return picture;
}

int GdiCanvas::Count(COLORREF color) const {
    int count = 0;
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) count += At(x, y) == color;
    return count;
}

}  // namespace kmxtest
