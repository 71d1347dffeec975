// The drawing helpers of user32: focus rectangles, edges, system colours,
// rectangle arithmetic and DrawText's layout.
#include "ui/gdi_canvas.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using kmxtest::GdiCanvas;

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

TEST(UserDrawing, FocusRectIsADottedFrameThatASecondCallTakesAway) {
    GdiCanvas canvas(8, 6);
    RECT rect = {1, 1, 7, 5};
    ASSERT_TRUE(DrawFocusRect(canvas.dc(), &rect));
    EXPECT_EQ(canvas.Picture(0, 0, 8, 6, kBlack),
              "........|.#.#.#..|......#.|.#......|..#.#.#.|........");
    ASSERT_TRUE(DrawFocusRect(canvas.dc(), &rect));
    EXPECT_EQ(canvas.Count(kWhite), 8 * 6);
    // The pattern inverts: on black it leaves white dots.
    PatBlt(canvas.dc(), 0, 0, 8, 6, BLACKNESS);
    DrawFocusRect(canvas.dc(), &rect);
    EXPECT_EQ(canvas.At(1, 1), kWhite);
    EXPECT_EQ(canvas.At(2, 1), kBlack);
}

TEST(UserDrawing, EdgesAndFramesUseTheSystemColours) {
    GdiCanvas canvas(6, 6);
    RECT rect = {0, 0, 6, 6};
    ASSERT_TRUE(FillRect(canvas.dc(), &rect, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)));
    EXPECT_EQ(canvas.At(3, 3), GetSysColor(COLOR_BTNFACE));
    ASSERT_TRUE(DrawEdge(canvas.dc(), &rect, EDGE_RAISED, BF_RECT | BF_ADJUST));
    EXPECT_EQ(rect.left, 2);
    EXPECT_EQ(rect.bottom, 4);
    EXPECT_EQ(canvas.At(0, 0), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(canvas.At(5, 0), GetSysColor(COLOR_3DDKSHADOW));  // corners go to the dark sides
    EXPECT_EQ(canvas.At(0, 5), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(canvas.At(1, 1), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(canvas.At(4, 4), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(canvas.At(2, 2), GetSysColor(COLOR_BTNFACE));
    // System colour brushes belong to the system.
    HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
    EXPECT_TRUE(DeleteObject(face));
    EXPECT_EQ(GetObjectType(face), static_cast<DWORD>(OBJ_BRUSH));
    EXPECT_EQ(GetSysColorBrush(25), nullptr);
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), kWhite);
    rect = {1, 1, 5, 5};
    ASSERT_TRUE(FrameRect(canvas.dc(), &rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))));
    EXPECT_EQ(canvas.Picture(1, 1, 5, 5, kBlack), "####|#..#|#..#|####");
}

TEST(UserDrawing, RectangleArithmetic) {
    RECT a = {0, 0, 10, 10}, b = {5, 5, 20, 20}, empty = {3, 3, 3, 8}, out;
    EXPECT_TRUE(IntersectRect(&out, &a, &b));
    EXPECT_TRUE(EqualRect(&out, &(const RECT&)RECT{5, 5, 10, 10}));
    EXPECT_FALSE(IntersectRect(&out, &a, &empty));
    EXPECT_TRUE(IsRectEmpty(&out));
    EXPECT_TRUE(UnionRect(&out, &empty, &a));  // an empty rectangle adds nothing
    EXPECT_TRUE(EqualRect(&out, &a));
    EXPECT_FALSE(PtInRect(&a, POINT{10, 5}));  // right and bottom are outside
    EXPECT_TRUE(PtInRect(&a, POINT{0, 9}));
    InflateRect(&a, -2, 1);
    OffsetRect(&a, 1, 1);
    EXPECT_TRUE(EqualRect(&a, &(const RECT&)RECT{3, 0, 9, 12}));
}

TEST(UserDrawing, DrawTextMeasuresBreaksAndUnderlinesThePrefix) {
    GdiCanvas canvas(120, 60);
    HDC dc = canvas.dc();
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICA metrics;
    GetTextMetricsA(dc, &metrics);
    SIZE extent;
    GetTextExtentPoint32A(dc, "Open", 4, &extent);

    // DT_CALCRECT measures without drawing; the prefix character is not counted.
    RECT rect = {10, 10, 10, 10};
    EXPECT_EQ(DrawTextA(dc, "&Open", -1, &rect, DT_CALCRECT | DT_SINGLELINE), metrics.tmHeight);
    EXPECT_EQ(rect.right, 10 + extent.cx);
    EXPECT_EQ(rect.bottom, 10 + metrics.tmHeight);
    EXPECT_EQ(canvas.Count(kWhite), 120 * 60);
    rect = {10, 10, 10, 10};
    DrawTextA(dc, "&Open", -1, &rect, DT_CALCRECT | DT_NOPREFIX);
    EXPECT_GT(rect.right, 10 + extent.cx);  // the '&' is text now

    // Word breaks keep each line inside the width; lines end at line feeds.
    GetTextExtentPoint32A(dc, "word word", 9, &extent);
    rect = {0, 0, extent.cx, 0};
    EXPECT_EQ(DrawTextA(dc, "word word word word", -1, &rect, DT_CALCRECT | DT_WORDBREAK),
              2 * metrics.tmHeight);
    EXPECT_LE(rect.right, extent.cx);
    rect = {0, 0, 100, 0};
    EXPECT_EQ(DrawTextA(dc, "one\r\ntwo\nthree", -1, &rect, DT_CALCRECT), 3 * metrics.tmHeight);

    // The mnemonic is underlined one pixel below the baseline, under its
    // character only; the text is centred in the rectangle.
    SetBkMode(dc, TRANSPARENT);
    rect = {0, 0, 120, 40};
    GetTextExtentPoint32A(dc, "Open", 4, &extent);
    DrawTextA(dc, "&Open", -1, &rect, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    int left = (120 - extent.cx) / 2, top = (40 - metrics.tmHeight) / 2;
    SIZE o;
    GetTextExtentPoint32A(dc, "O", 1, &o);
    int underline_y = top + metrics.tmAscent + 1;
    for (int x = left; x < left + o.cx; ++x) EXPECT_EQ(canvas.At(x, underline_y), kBlack) << x;
    EXPECT_NE(canvas.At(left + o.cx + 1, underline_y), kBlack);

    // An ellipsis keeps a long line inside the rectangle.
    PatBlt(dc, 0, 0, 120, 60, WHITENESS);
    rect = {0, 45, 40, 60};
    DrawTextA(dc, "A long caption that does not fit", -1, &rect,
              DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOCLIP);
    for (int y = 45; y < 60; ++y)
        for (int x = 40; x < 120; ++x) ASSERT_EQ(canvas.At(x, y), kWhite) << x << "," << y;
}

}  // namespace
