// Fonts and text: the dialog font's metrics, and where text lands.
#include "ui/gdi_canvas.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using kmxtest::GdiCanvas;

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// The dialog base units of the font selected into DC, computed as the
// dialog manager does: the alphabet's average width and tmHeight.
SIZE BaseUnits(HDC dc) {
    TEXTMETRICA metrics;
    SIZE extent;
    EXPECT_TRUE(GetTextMetricsA(dc, &metrics));
    EXPECT_TRUE(GetTextExtentPoint32A(dc, kAlphabet, 52, &extent));
    return {(extent.cx / 26 + 1) / 2, metrics.tmHeight};
}

TEST(GdiText, DialogAndSystemFontsGiveWindowsBaseUnits) {
    GdiCanvas canvas(4, 4);
    HGDIOBJ old = SelectObject(canvas.dc(), GetStockObject(DEFAULT_GUI_FONT));
    SIZE units = BaseUnits(canvas.dc());
    EXPECT_EQ(units.cx, 6);
    EXPECT_EQ(units.cy, 13);
    char face[LF_FACESIZE];
    EXPECT_EQ(GetTextFaceA(canvas.dc(), sizeof face, face), 13);
    EXPECT_STREQ(face, "MS Shell Dlg");

    // "MS Sans Serif" 8 pt as a dialog template asks for it (8 points at
    // 96 DPI are 11 pixels of character height), or by cell height.
    ASSERT_EQ(GetDeviceCaps(canvas.dc(), LOGPIXELSY), 96);
    HFONT by_em = CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0,
                              0, 0, "ms sans serif");
    SelectObject(canvas.dc(), by_em);
    units = BaseUnits(canvas.dc());
    EXPECT_EQ(units.cx, 6);
    EXPECT_EQ(units.cy, 13);
    TEXTMETRICW metrics;
    GetTextMetricsW(canvas.dc(), &metrics);
    EXPECT_EQ(metrics.tmAscent, 11);
    EXPECT_EQ(metrics.tmInternalLeading, 2);
    EXPECT_EQ(GetTextFaceA(canvas.dc(), sizeof face, face), 14);
    EXPECT_STREQ(face, "MS Sans Serif");
    LOGFONTA log;
    HFONT by_cell =
        CreateFontIndirectA((GetObjectA(by_em, sizeof log, &log), log.lfHeight = 13, &log));
    SelectObject(canvas.dc(), by_cell);
    EXPECT_EQ(BaseUnits(canvas.dc()).cy, 13);

    SelectObject(canvas.dc(), GetStockObject(SYSTEM_FONT));
    units = BaseUnits(canvas.dc());
    EXPECT_EQ(units.cx, 8);
    EXPECT_EQ(units.cy, 16);
    SelectObject(canvas.dc(), old);
    DeleteObject(by_em);
    DeleteObject(by_cell);
}

// The pixels of CANVAS inside RECT and outside it that are not WHITE.
struct Ink {
    int inside = 0;
    int outside = 0;
};
Ink InkAround(const GdiCanvas& canvas, int width, int height, const RECT& rect) {
    Ink ink;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (canvas.At(x, y) == RGB(255, 255, 255)) continue;
            bool inside = x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
            (inside ? ink.inside : ink.outside)++;
        }
    return ink;
}

TEST(GdiText, TextStaysInItsCellAndOpaqueModeFillsIt) {
    GdiCanvas canvas(80, 30);
    HDC dc = canvas.dc();
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SIZE extent;
    ASSERT_TRUE(GetTextExtentPoint32A(dc, "Wide M\xe9nu", 10, &extent));
    SetBkMode(dc, TRANSPARENT);
    ASSERT_TRUE(TextOutA(dc, 5, 8, "Wide M\xe9nu", 10));
    Ink ink = InkAround(canvas, 80, 30, {5, 8, 5 + extent.cx, 8 + extent.cy});
    EXPECT_GT(ink.inside, 30);
    EXPECT_EQ(ink.outside, 0);

    // OPAQUE fills the text's cell with the background colour.
    PatBlt(dc, 0, 0, 80, 30, WHITENESS);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(0, 0, 255));
    TextOutA(dc, 5, 8, "H", 1);
    GetTextExtentPoint32A(dc, "H", 1, &extent);
    ink = InkAround(canvas, 80, 30, {5, 8, 5 + extent.cx, 8 + extent.cy});
    EXPECT_EQ(ink.inside, extent.cx * extent.cy);
    EXPECT_EQ(ink.outside, 0);
    EXPECT_EQ(canvas.At(5, 8), RGB(0, 0, 255));

    // ETO_OPAQUE fills the rectangle and ETO_CLIPPED keeps the text in it.
    PatBlt(dc, 0, 0, 80, 30, WHITENESS);
    RECT rect = {10, 8, 14, 30};
    SetBkMode(dc, TRANSPARENT);
    ASSERT_TRUE(ExtTextOutA(dc, 5, 8, ETO_CLIPPED | ETO_OPAQUE, &rect, "MMMM", 4, nullptr));
    ink = InkAround(canvas, 80, 30, rect);
    EXPECT_EQ(ink.inside, 4 * 22);
    EXPECT_EQ(ink.outside, 0);
}

}  // namespace
