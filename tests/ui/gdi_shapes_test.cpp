// GDI's pixel rules for shapes, clipping and origins, read back with GetPixel.
#include "ui/gdi_canvas.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using kmxtest::GdiCanvas;

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);

TEST(GdiShapes, RectangleLeavesOutRightAndBottomEdges) {
    GdiCanvas canvas(8, 8);
    HBRUSH red = CreateSolidBrush(kRed);
    HGDIOBJ old = SelectObject(canvas.dc(), red);
    ASSERT_TRUE(Rectangle(canvas.dc(), 1, 1, 6, 5));
    EXPECT_EQ(canvas.Picture(0, 0, 7, 6, kBlack),
              ".......|.#####.|.#...#.|.#...#.|.#####.|.......");
    EXPECT_EQ(canvas.Picture(0, 0, 7, 6, kRed), ".......|.......|..###..|..###..|.......|.......");
    // Without a pen the filled area is one pixel smaller to the right and bottom.
    PatBlt(canvas.dc(), 0, 0, 8, 8, WHITENESS);
    SelectObject(canvas.dc(), GetStockObject(NULL_PEN));
    Rectangle(canvas.dc(), 1, 1, 4, 4);
    EXPECT_EQ(canvas.Picture(0, 0, 5, 5, kRed), ".....|.##..|.##..|.....|.....");
    SelectObject(canvas.dc(), old);
    DeleteObject(red);
}

TEST(GdiShapes, LineToLeavesOutItsEndPointAndMovesThePosition) {
    GdiCanvas canvas(8, 8);
    MoveToEx(canvas.dc(), 1, 1, nullptr);
    ASSERT_TRUE(LineTo(canvas.dc(), 5, 1));
    LineTo(canvas.dc(), 5, 4);
    POINT position;
    ASSERT_TRUE(GetCurrentPositionEx(canvas.dc(), &position));
    EXPECT_EQ(position.x, 5);
    EXPECT_EQ(position.y, 4);
    EXPECT_EQ(canvas.Picture(0, 0, 7, 5, kBlack), ".......|.#####.|.....#.|.....#.|.......");
    // A diagonal steps one pixel at a time, also without its end.
    PatBlt(canvas.dc(), 0, 0, 8, 8, WHITENESS);
    POINT diagonal[] = {{0, 0}, {3, 3}};
    Polyline(canvas.dc(), diagonal, 2);
    EXPECT_EQ(canvas.Picture(0, 0, 4, 4, kBlack), "#...|.#..|..#.|....");
}

TEST(GdiShapes, DottedPenAndXorPenFollowTheirRules) {
    GdiCanvas canvas(16, 4);
    HPEN dotted = CreatePen(PS_DOT, 1, kBlack);
    HGDIOBJ old = SelectObject(canvas.dc(), dotted);
    SetBkMode(canvas.dc(), TRANSPARENT);
    MoveToEx(canvas.dc(), 0, 1, nullptr);
    LineTo(canvas.dc(), 14, 1);
    EXPECT_EQ(canvas.Picture(0, 1, 15, 2, kBlack), "###...###...##.");
    SelectObject(canvas.dc(), old);
    DeleteObject(dotted);
    // R2_NOT twice gives the picture back.
    SetROP2(canvas.dc(), R2_NOT);
    MoveToEx(canvas.dc(), 0, 2, nullptr);
    LineTo(canvas.dc(), 10, 2);
    EXPECT_EQ(canvas.At(3, 2), kBlack);
    MoveToEx(canvas.dc(), 0, 2, nullptr);
    LineTo(canvas.dc(), 10, 2);
    EXPECT_EQ(canvas.At(3, 2), kWhite);
}

TEST(GdiShapes, FarCoordinatesNeitherHangNorOverflow) {
    GdiCanvas canvas(8, 8);
    HDC dc = canvas.dc();
    MoveToEx(dc, -(1 << 30), 2, nullptr);
    ASSERT_TRUE(LineTo(dc, 1 << 30, 2));
    EXPECT_EQ(canvas.Picture(0, 2, 8, 3, kBlack), "########");
    MoveToEx(dc, INT_MIN, INT_MIN, nullptr);
    ASSERT_TRUE(LineTo(dc, INT_MAX, INT_MAX));  // through (0,0): the diagonal
    EXPECT_EQ(canvas.At(5, 5), kBlack);
    SelectObject(dc, GetStockObject(GRAY_BRUSH));
    ASSERT_TRUE(Rectangle(dc, INT_MIN, INT_MIN, INT_MAX, INT_MAX));
    EXPECT_EQ(canvas.At(4, 4), RGB(128, 128, 128));
    ASSERT_TRUE(PatBlt(dc, INT_MAX, INT_MAX, INT_MIN, INT_MIN, BLACKNESS));
    EXPECT_EQ(canvas.Count(kBlack), 64);
    RECT huge = {INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    EXPECT_GT(DrawTextA(dc, "far", -1, &huge, DT_CENTER | DT_VCENTER | DT_SINGLELINE), 0);
}

TEST(GdiShapes, PolygonAndEllipseStayInTheirBounds) {
    GdiCanvas canvas(20, 20);
    SelectObject(canvas.dc(), GetStockObject(BLACK_BRUSH));
    POINT square[] = {{2, 2}, {8, 2}, {8, 8}, {2, 8}};
    ASSERT_TRUE(Polygon(canvas.dc(), square, 4));
    // The outline passes through every vertex, so the square covers 7 x 7.
    EXPECT_EQ(canvas.Count(kBlack), 49);
    PatBlt(canvas.dc(), 0, 0, 20, 20, WHITENESS);
    ASSERT_TRUE(Ellipse(canvas.dc(), 4, 4, 14, 12));
    RECT box = {20, 20, 0, 0};
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            if (canvas.At(x, y) == kBlack) {
                box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
                       std::max<LONG>(box.right, x + 1), std::max<LONG>(box.bottom, y + 1)};
            }
    EXPECT_EQ(box.left, 4);
    EXPECT_EQ(box.top, 4);
    EXPECT_EQ(box.right, 14);
    EXPECT_EQ(box.bottom, 12);
}

TEST(GdiClipping, ClipRegionsAndViewportOriginGovernWhereDrawingLands) {
    GdiCanvas canvas(10, 10);
    HRGN region = CreateRectRgn(2, 2, 6, 6);
    EXPECT_EQ(SelectClipRgn(canvas.dc(), region), SIMPLEREGION);
    EXPECT_EQ(ExcludeClipRect(canvas.dc(), 3, 3, 5, 5), COMPLEXREGION);
    RECT box;
    EXPECT_EQ(GetClipBox(canvas.dc(), &box), COMPLEXREGION);
    EXPECT_EQ(box.left, 2);
    EXPECT_EQ(box.bottom, 6);
    PatBlt(canvas.dc(), 0, 0, 10, 10, BLACKNESS);
    EXPECT_EQ(canvas.Count(kBlack), 16 - 4);
    EXPECT_EQ(canvas.At(3, 3), CLR_INVALID);  // outside the clip region
    // The clip region was copied: changing the region changes nothing.
    SetRectRgn(region, 0, 0, 10, 10);
    SelectClipRgn(canvas.dc(), nullptr);
    EXPECT_EQ(canvas.At(3, 3), kWhite);
    DeleteObject(region);

    // Logical (0,0) moves with the viewport origin; clip rectangles are logical.
    POINT previous;
    SetViewportOrgEx(canvas.dc(), 5, 5, &previous);
    EXPECT_EQ(previous.x, 0);
    IntersectClipRect(canvas.dc(), -1, -1, 2, 2);
    PatBlt(canvas.dc(), -5, -5, 10, 10, WHITENESS);
    PatBlt(canvas.dc(), -5, -5, 10, 10, BLACKNESS);
    EXPECT_EQ(canvas.At(0, 0), kBlack);  // logical (0,0) is device (5,5)
    EXPECT_EQ(canvas.At(-1, -1), kBlack);
    EXPECT_EQ(canvas.At(2, 2), CLR_INVALID);
    GetClipBox(canvas.dc(), &box);
    EXPECT_EQ(box.left, -1);
    EXPECT_EQ(box.right, 2);
}

TEST(GdiClipping, SaveDcAndRestoreDcBringBackStateAndObjects) {
    GdiCanvas canvas(4, 4);
    HPEN pen = CreatePen(PS_SOLID, 1, kRed);
    int level = SaveDC(canvas.dc());
    ASSERT_GT(level, 0);
    SelectObject(canvas.dc(), pen);
    SetTextColor(canvas.dc(), kRed);
    SetViewportOrgEx(canvas.dc(), 1, 1, nullptr);
    IntersectClipRect(canvas.dc(), 0, 0, 1, 1);
    // The pen is in use by the DC: deleting it must not free it under the DC.
    EXPECT_TRUE(DeleteObject(pen));
    MoveToEx(canvas.dc(), 0, 0, nullptr);
    LineTo(canvas.dc(), 2, 0);
    EXPECT_EQ(canvas.At(0, 0), kRed);
    ASSERT_TRUE(RestoreDC(canvas.dc(), -1));
    EXPECT_EQ(GetTextColor(canvas.dc()), kBlack);
    EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_PEN), GetStockObject(BLACK_PEN));
    POINT origin;
    GetViewportOrgEx(canvas.dc(), &origin);
    EXPECT_EQ(origin.x, 0);
    EXPECT_NE(canvas.At(3, 3), CLR_INVALID);
    // Now deselected, the pen is gone.
    EXPECT_EQ(GetObjectType(pen), 0u);
    EXPECT_FALSE(RestoreDC(canvas.dc(), level));
}

TEST(GdiObjects, StaleAndForeignHandlesFailAsOnWindows) {
    HBRUSH brush = CreateSolidBrush(kRed);
    EXPECT_EQ(GetObjectType(brush), static_cast<DWORD>(OBJ_BRUSH));
    EXPECT_LT(reinterpret_cast<uintptr_t>(brush), uintptr_t{1} << 31);
    ASSERT_TRUE(DeleteObject(brush));
    EXPECT_FALSE(DeleteObject(brush));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    HBRUSH again = CreateSolidBrush(kBlack);  // may take the freed slot
    EXPECT_NE(again, brush);

    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SelectObject(dc, brush), nullptr);
    EXPECT_EQ(SelectObject(reinterpret_cast<HDC>(again), again), nullptr);  // not a DC
    EXPECT_FALSE(Rectangle(reinterpret_cast<HDC>(uintptr_t{0x12345}), 0, 0, 1, 1));
    EXPECT_EQ(SetTextColor(reinterpret_cast<HDC>(again), 0), CLR_INVALID);
    EXPECT_FALSE(DeleteObject(dc));  // a DC goes with DeleteDC
    // Stock objects survive DeleteObject.
    EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(GetObjectType(GetStockObject(BLACK_BRUSH)), static_cast<DWORD>(OBJ_BRUSH));
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_FALSE(DeleteDC(dc));
    DeleteObject(again);
}

}  // namespace
