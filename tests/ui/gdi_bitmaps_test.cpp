// Bitmaps and block transfers: DIB orientation, raster operations, and a
// bitmap selected into one DC only.
#include "ui/gdi_canvas.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using kmxtest::GdiCanvas;

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

BITMAPINFO Info(int width, int height, WORD bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = bits;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// A 2 x 2 24-bit bottom-up image: its first row in memory is the bottom
// one, red then green; the top row is blue then white.
std::vector<BYTE> BottomUpImage() {
    return {0,   0, 255, 0,   255, 0,   0, 0,   // bottom: red, green, padding
            255, 0, 0,   255, 255, 255, 0, 0};  // top: blue, white, padding
}

TEST(GdiBitmaps, BottomUpDibsAreShownUprightAndStretched) {
    GdiCanvas canvas(8, 8);
    std::vector<BYTE> image = BottomUpImage();
    BITMAPINFO info = Info(2, 2, 24);
    EXPECT_EQ(
        SetDIBitsToDevice(canvas.dc(), 0, 0, 2, 2, 0, 0, 0, 2, image.data(), &info, DIB_RGB_COLORS),
        2);
    EXPECT_EQ(canvas.At(0, 0), RGB(0, 0, 255));
    EXPECT_EQ(canvas.At(1, 0), kWhite);
    EXPECT_EQ(canvas.At(0, 1), RGB(255, 0, 0));
    EXPECT_EQ(canvas.At(1, 1), RGB(0, 255, 0));
    // Doubled: each pixel becomes a 2 x 2 block.
    EXPECT_EQ(StretchDIBits(canvas.dc(), 4, 4, 4, 4, 0, 0, 2, 2, image.data(), &info,
                            DIB_RGB_COLORS, SRCCOPY),
              2);
    EXPECT_EQ(canvas.At(5, 5), RGB(0, 0, 255));
    EXPECT_EQ(canvas.At(6, 6), RGB(0, 255, 0));
    EXPECT_EQ(canvas.At(7, 5), kWhite);
    // A negative destination height turns it upside down.
    StretchDIBits(canvas.dc(), 0, 4, 2, -2, 0, 0, 2, 2, image.data(), &info, DIB_RGB_COLORS,
                  SRCCOPY);
    EXPECT_EQ(canvas.At(0, 2), RGB(255, 0, 0));
    EXPECT_EQ(canvas.At(0, 3), RGB(0, 0, 255));
    // A format GDI cannot read is refused.
    BITMAPINFO bad = Info(2, 2, 12);
    EXPECT_EQ(StretchDIBits(canvas.dc(), 0, 0, 2, 2, 0, 0, 2, 2, image.data(), &bad, DIB_RGB_COLORS,
                            SRCCOPY),
              0);
}

TEST(GdiBitmaps, DibSectionBitsShowWhatGdiDrew) {
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info = Info(3, 2, 24);  // bottom-up, rows padded to 12 bytes
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(bitmap, nullptr);
    ASSERT_NE(bits, nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    ASSERT_EQ(SetPixel(dc, 2, 0, RGB(1, 2, 3)), RGB(1, 2, 3));
    const BYTE* row1 = static_cast<const BYTE*>(bits) + 12;  // the top row
    EXPECT_EQ(row1[6], 3);
    EXPECT_EQ(row1[7], 2);
    EXPECT_EQ(row1[8], 1);
    // Writing the bits is seen by GDI.
    static_cast<BYTE*>(bits)[0] = 0xFF;  // bottom-left blue
    EXPECT_EQ(GetPixel(dc, 0, 1), RGB(0, 0, 255));
    DIBSECTION section;
    ASSERT_EQ(GetObjectA(bitmap, sizeof section, &section), static_cast<int>(sizeof section));
    EXPECT_EQ(section.dsBm.bmWidthBytes, 12);
    EXPECT_EQ(section.dsBm.bmBits, bits);
    EXPECT_EQ(section.dsBmih.biHeight, 2);
    // A bitmap is in one DC at a time.
    HDC other = CreateCompatibleDC(dc);
    EXPECT_EQ(SelectObject(other, bitmap), nullptr);
    SelectObject(dc, old);
    EXPECT_NE(SelectObject(other, bitmap), nullptr);
    DeleteDC(other);
    DeleteDC(dc);
    EXPECT_TRUE(DeleteObject(bitmap));
}

TEST(GdiBitmaps, BitBltRasterOperations) {
    GdiCanvas canvas(8, 4);
    HDC source = CreateCompatibleDC(canvas.dc());
    HBITMAP bitmap = CreateCompatibleBitmap(canvas.dc(), 2, 2);
    HGDIOBJ old = SelectObject(source, bitmap);
    BITMAP info;
    ASSERT_EQ(GetObjectA(bitmap, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmWidth, 2);
    EXPECT_EQ(info.bmBitsPixel, 32);
    EXPECT_EQ(GetPixel(source, 1, 1), kBlack);  // a new bitmap is black
    SetPixel(source, 0, 0, RGB(10, 20, 30));
    ASSERT_TRUE(BitBlt(canvas.dc(), 1, 1, 2, 2, source, 0, 0, SRCCOPY));
    EXPECT_EQ(canvas.At(1, 1), RGB(10, 20, 30));
    EXPECT_EQ(canvas.At(2, 2), kBlack);
    ASSERT_TRUE(BitBlt(canvas.dc(), 1, 1, 2, 2, nullptr, 0, 0, DSTINVERT));
    EXPECT_EQ(canvas.At(1, 1), RGB(245, 235, 225));
    EXPECT_EQ(canvas.At(2, 2), kWhite);
    SelectObject(canvas.dc(), GetStockObject(GRAY_BRUSH));
    PatBlt(canvas.dc(), 4, 0, 2, 2, PATCOPY);
    EXPECT_EQ(canvas.At(4, 0), RGB(128, 128, 128));
    PatBlt(canvas.dc(), 4, 0, 1, 1, PATINVERT);
    EXPECT_EQ(canvas.At(4, 0), kBlack);
    // Overlapping source and destination read the pixels as they were.
    PatBlt(canvas.dc(), 0, 3, 8, 1, WHITENESS);
    SetPixel(canvas.dc(), 0, 3, kBlack);
    BitBlt(canvas.dc(), 1, 3, 7, 1, canvas.dc(), 0, 3, SRCCOPY);
    EXPECT_EQ(canvas.At(1, 3), kBlack);
    EXPECT_EQ(canvas.At(2, 3), kWhite);
    SelectObject(source, old);
    DeleteObject(bitmap);
    DeleteDC(source);
}

}  // namespace
