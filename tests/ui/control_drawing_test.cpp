// The controls and dialog frames as they draw themselves, compared with
// reference pictures; the edit control's caret and selection; disabled
// controls.
//
// The reference pictures are tests/ui/reference/*.png. After a deliberate
// change of the look, write them anew with
//   KMX512_WRITE_REFERENCE=1 build/bin/window_test --gtest_filter='ControlDrawing*'
// and look at them before committing them.
#include <cairo.h>
#include <gtest/gtest.h>
#include <kmxwin/window_snapshot.h>
#include <windows.h>

#include <stdlib.h>
#include <string.h>

#include <cstdint>
#include <string>

#include "common/test_environment.h"
#include "ui_test_resources.h"

namespace {

INT_PTR CALLBACK PictureProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG) return FALSE;
    for (const char* item : {"Small", "Medium", "Large"})
        SendDlgItemMessageA(dialog, IDC_LIST, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    SendDlgItemMessageA(dialog, IDC_LIST, CB_SETCURSEL, 1, 0);
    SetDlgItemTextA(dialog, IDC_NAME, "Hello world");
    SetDlgItemTextA(dialog, IDC_NUMBER, "Greyed");
    CheckDlgButton(dialog, IDC_CHECK, BST_CHECKED);
    CheckRadioButton(dialog, IDC_ONE, IDC_TWO, IDC_ONE);
    return TRUE;
}

HWND OpenPicture() {
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PICTURE),
                                     nullptr, PictureProc, 0);
    EXPECT_TRUE(dialog);
    ShowWindow(dialog, SW_SHOW);
    return dialog;
}

// How far PICTURE is from the reference NAME: the share of pixels whose
// colour differs by more than a little in some channel. Writes the
// reference instead when KMX512_WRITE_REFERENCE is set.
double DifferenceFromReference(const std::string& picture, const std::string& name) {
    std::string reference = std::string(KMX_UI_REFERENCE_DIR) + "/" + name;
    if (getenv("KMX512_WRITE_REFERENCE")) {
        cairo_surface_t* made = cairo_image_surface_create_from_png(picture.c_str());
        cairo_surface_write_to_png(made, reference.c_str());
        cairo_surface_destroy(made);
    }
    cairo_surface_t* a = cairo_image_surface_create_from_png(picture.c_str());
    cairo_surface_t* b = cairo_image_surface_create_from_png(reference.c_str());
    double difference = 1.0;
    if (cairo_surface_status(a) == CAIRO_STATUS_SUCCESS &&
        cairo_surface_status(b) == CAIRO_STATUS_SUCCESS &&
        cairo_image_surface_get_width(a) == cairo_image_surface_get_width(b) &&
        cairo_image_surface_get_height(a) == cairo_image_surface_get_height(b)) {
        int width = cairo_image_surface_get_width(a), height = cairo_image_surface_get_height(a);
        long differing = 0;
        for (int y = 0; y < height; ++y) {
            auto* row_a = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(a) +
                                                            y * cairo_image_surface_get_stride(a));
            auto* row_b = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(b) +
                                                            y * cairo_image_surface_get_stride(b));
            for (int x = 0; x < width; ++x)
                for (int shift = 0; shift < 24; shift += 8)
                    if (abs(static_cast<int>((row_a[x] >> shift) & 0xFF) -
                            static_cast<int>((row_b[x] >> shift) & 0xFF)) > 48) {
                        ++differing;
                        break;
                    }
        }
        difference = static_cast<double>(differing) / (width * height);
    }
    cairo_surface_destroy(a);
    cairo_surface_destroy(b);
    return difference;
}

TEST(ControlDrawingTest, ADialogWithEachControlLooksAsItsReference) {
    // A caret that does not blink keeps the picture still.
    UINT blink = GetCaretBlinkTime();
    SetCaretBlinkTime(INFINITE);
    HWND dialog = OpenPicture();
    HWND name = GetDlgItem(dialog, IDC_NAME);
    SetFocus(name);
    SendMessageA(name, EM_SETSEL, 6, 11);
    std::string picture = kmxtest::TestDirectory() + "/dialog.png";
    ASSERT_TRUE(KmxWinSnapshotWindow(dialog, picture.c_str()));
    EXPECT_LT(DifferenceFromReference(picture, "control_dialog.png"), 0.01);

    // The list dropped from the combo box is a window of its own.
    HWND combo = GetDlgItem(dialog, IDC_LIST);
    SetFocus(combo);
    SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
    RECT field;
    GetWindowRect(combo, &field);
    HWND list = WindowFromPoint({field.left + 4, field.bottom + 4});
    ASSERT_TRUE(list && list != dialog && list != combo);
    std::string dropped = kmxtest::TestDirectory() + "/list.png";
    ASSERT_TRUE(KmxWinSnapshotWindow(list, dropped.c_str()));
    EXPECT_LT(DifferenceFromReference(dropped, "combo_list.png"), 0.01);
    std::string with_list = kmxtest::TestDirectory() + "/dropped.png";
    ASSERT_TRUE(KmxWinSnapshotWindow(combo, with_list.c_str()));
    EXPECT_LT(DifferenceFromReference(with_list, "combo_dropped.png"), 0.01);
    DestroyWindow(dialog);
    SetCaretBlinkTime(blink);
}

void Type(HWND window, const char* text) {
    for (const char* c = text; *c; ++c)
        SendMessageA(window, WM_CHAR, static_cast<unsigned char>(*c), 0);
}

int TextWidthIn(HWND window, const char* text) {
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32A(dc, text, static_cast<int>(strlen(text)), &size);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return size.cx;
}

TEST(ControlDrawingTest, TheEditCaretFollowsTypingTheSelectionAndTheClipboard) {
    HWND dialog = OpenPicture();
    HWND name = GetDlgItem(dialog, IDC_NAME);
    SetWindowTextA(name, "");
    SetFocus(name);
    POINT start, typed;
    ASSERT_TRUE(GetCaretPos(&start));
    Type(name, "abc");
    GetCaretPos(&typed);
    EXPECT_EQ(typed.x - start.x, TextWidthIn(name, "abc"));
    EXPECT_EQ(typed.y, start.y);

    // EM_SETSEL puts the caret at the selection's end, also when it runs
    // backwards; EM_GETSEL reports it in order.
    SendMessageA(name, EM_SETSEL, 3, 1);
    DWORD from = 0, to = 0;
    SendMessageA(name, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    EXPECT_EQ(from, 1u);
    EXPECT_EQ(to, 3u);
    POINT caret;
    GetCaretPos(&caret);
    EXPECT_EQ(caret.x - start.x, TextWidthIn(name, "a"));

    // Ctrl+C copies the selection, Ctrl+V puts it in place of another.
    Type(name, "\x03");
    SendMessageA(name, EM_SETSEL, 0, 1);
    Type(name, "\x16");
    char text[16] = "";
    GetWindowTextA(name, text, sizeof text);
    EXPECT_STREQ(text, "bcbc");
    GetCaretPos(&caret);
    EXPECT_EQ(caret.x - start.x, TextWidthIn(name, "bc"));
    DestroyWindow(dialog);
}

TEST(ControlDrawingTest, ADisabledControlTakesNeitherClicksNorTheFocus) {
    HWND dialog = OpenPicture();
    HWND disabled = GetDlgItem(dialog, IDC_DISABLED);
    HWND check = GetDlgItem(dialog, IDC_CHECK);
    SetFocus(check);
    RECT rect;
    GetWindowRect(disabled, &rect);
    KmxWinInjectMouse(MOUSEEVENTF_LEFTDOWN, rect.left + 5, rect.top + 5);
    KmxWinInjectMouse(MOUSEEVENTF_LEFTUP, rect.left + 5, rect.top + 5);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        if (!IsDialogMessageA(dialog, &msg)) DispatchMessageA(&msg);
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_DISABLED), BST_UNCHECKED);
    EXPECT_EQ(GetFocus(), check);
    // Tab goes past it.
    EXPECT_NE(GetNextDlgTabItem(dialog, check, FALSE), disabled);
    EnableWindow(disabled, TRUE);
    KmxWinInjectMouse(MOUSEEVENTF_LEFTDOWN, rect.left + 5, rect.top + 5);
    KmxWinInjectMouse(MOUSEEVENTF_LEFTUP, rect.left + 5, rect.top + 5);
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        if (!IsDialogMessageA(dialog, &msg)) DispatchMessageA(&msg);
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_DISABLED), BST_CHECKED);
    EXPECT_EQ(GetFocus(), disabled);
    DestroyWindow(dialog);
}

}  // namespace
