// Conformance of dialogs and their controls: templates from resources and
// from memory, the modal loop, keyboard navigation, the default button,
// radio groups, check boxes, edit controls and drop-down lists, driven with
// SendInput.
#include <gtest/gtest.h>
#include <windows.h>

#include <string.h>

#include <utility>
#include <vector>

#include "ui_test_resources.h"

namespace {

struct Command {
    int id;
    int code;
    bool operator==(const Command&) const = default;
};

std::vector<Command> g_commands;
std::vector<UINT> g_order;

INT_PTR CALLBACK SampleProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            g_order.push_back(message);
            CheckRadioButton(dialog, IDC_ONE, IDC_THREE, IDC_ONE);
            for (const char* item : {"Small", "Medium", "Large"})
                SendDlgItemMessageA(dialog, IDC_LIST, CB_ADDSTRING, 0,
                                    reinterpret_cast<LPARAM>(item));
            if (lparam) PostMessageA(dialog, WM_APP, 0, lparam);
            return TRUE;
        case WM_SHOWWINDOW:
            g_order.push_back(message);
            return FALSE;
        case WM_APP:
            EndDialog(dialog, lparam);
            return TRUE;
        case WM_COMMAND:
            g_commands.push_back({LOWORD(wparam), HIWORD(wparam)});
            return TRUE;
        default:
            return FALSE;
    }
}

void Pump(HWND dialog) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageA(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

void Key(WORD vk, bool shift = false) {
    std::vector<INPUT> inputs;
    auto add = [&](WORD key, bool up) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(input);
    };
    if (shift) add(VK_SHIFT, false);
    add(vk, false);
    add(vk, true);
    if (shift) add(VK_SHIFT, true);
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void Click(HWND window, POINT client) {
    ClientToScreen(window, &client);
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    INPUT inputs[2]{};
    for (INPUT& input : inputs) {
        input.type = INPUT_MOUSE;
        input.mi.dx = (client.x * 65536 + width - 1) / width;
        input.mi.dy = (client.y * 65536 + height - 1) / height;
    }
    inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTUP;
    SendInput(2, inputs, sizeof(INPUT));
}

HWND OpenSample() {
    g_commands.clear();
    g_order.clear();
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SAMPLE),
                                     nullptr, SampleProc, 0);
    EXPECT_TRUE(dialog);
    ShowWindow(dialog, SW_SHOW);
    Pump(dialog);
    return dialog;
}

TEST(DialogTest, AModalDialogEndsWithEndDialogsResult) {
    g_order.clear();
    INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SAMPLE),
                                     nullptr, SampleProc, 42);
    EXPECT_EQ(result, 42);
    // WM_SHOWWINDOW follows WM_INITDIALOG.
    ASSERT_GE(g_order.size(), 2u);
    EXPECT_EQ(g_order[0], static_cast<UINT>(WM_INITDIALOG));
    EXPECT_EQ(g_order[1], static_cast<UINT>(WM_SHOWWINDOW));
    EXPECT_EQ(
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(999), nullptr, SampleProc, 0),
        -1);
}

TEST(DialogTest, TabVisitsTheTabStopsInOrderAndEnterPressesTheDefaultButton) {
    HWND dialog = OpenSample();
    EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDC_NAME));
    std::vector<int> visited;
    for (int i = 0; i < 7; ++i) {
        Key(VK_TAB);
        Pump(dialog);
        visited.push_back(GetDlgCtrlID(GetFocus()));
    }
    // The radio group is one stop, at its checked button.
    EXPECT_EQ(visited, (std::vector<int>{IDC_CHECK, IDC_ONE, IDC_LIST, IDC_NUMBER, IDOK, IDCANCEL,
                                         IDC_NAME}));
    Key(VK_TAB, true);
    Pump(dialog);
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), IDCANCEL);

    EXPECT_EQ(SendMessageA(dialog, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
    SetFocus(GetDlgItem(dialog, IDC_NAME));
    g_commands.clear();
    Key(VK_RETURN);
    Key(VK_ESCAPE);
    Pump(dialog);
    // The edit control tells it lost nothing; Enter and Esc press OK and Cancel.
    std::erase_if(g_commands, [](const Command& c) { return c.id == IDC_NAME; });
    EXPECT_EQ(g_commands, (std::vector<Command>{{IDOK, BN_CLICKED}, {IDCANCEL, BN_CLICKED}}));
    // Enter on a push button presses that button.
    SetFocus(GetDlgItem(dialog, IDCANCEL));
    g_commands.clear();
    Key(VK_RETURN);
    Pump(dialog);
    EXPECT_EQ(g_commands, (std::vector<Command>{{IDCANCEL, BN_CLICKED}}));
    DestroyWindow(dialog);
}

TEST(DialogTest, ArrowsMoveThroughARadioGroupAndCheckAsTheyGo) {
    HWND dialog = OpenSample();
    SetFocus(GetDlgItem(dialog, IDC_ONE));
    g_commands.clear();
    Key(VK_DOWN);
    Pump(dialog);
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), IDC_TWO);
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_TWO), static_cast<UINT>(BST_CHECKED));
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_ONE), static_cast<UINT>(BST_UNCHECKED));
    EXPECT_EQ(g_commands, (std::vector<Command>{{IDC_TWO, BN_CLICKED}}));
    Key(VK_DOWN);
    Key(VK_DOWN);
    Pump(dialog);
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), IDC_ONE);  // the group wraps around
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_ONE), static_cast<UINT>(BST_CHECKED));

    // Setting a check by message is silent.
    g_commands.clear();
    CheckDlgButton(dialog, IDC_CHECK, BST_CHECKED);
    EXPECT_TRUE(g_commands.empty());
    Click(GetDlgItem(dialog, IDC_CHECK), {5, 5});
    Pump(dialog);
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_CHECK), static_cast<UINT>(BST_UNCHECKED));
    EXPECT_EQ(g_commands, (std::vector<Command>{{IDC_CHECK, BN_CLICKED}}));
    DestroyWindow(dialog);
}

TEST(DialogTest, ADropDownListNotifiesUserChoicesOnly) {
    HWND dialog = OpenSample();
    HWND list = GetDlgItem(dialog, IDC_LIST);
    EXPECT_EQ(SendMessageA(list, CB_GETCOUNT, 0, 0), 3);
    g_commands.clear();
    EXPECT_EQ(SendMessageA(list, CB_SETCURSEL, 0, 0), 0);
    EXPECT_TRUE(g_commands.empty());

    // The list takes the arrows; Tab still moves on.
    SetFocus(list);
    g_commands.clear();
    Key(VK_DOWN);
    Pump(dialog);
    EXPECT_EQ(SendMessageA(list, CB_GETCURSEL, 0, 0), 1);
    std::erase_if(g_commands, [](const Command& c) { return c.code == CBN_SETFOCUS; });
    EXPECT_EQ(g_commands, (std::vector<Command>{{IDC_LIST, CBN_SELCHANGE}}));

    // A click drops the list; a click on an item chooses it.
    g_commands.clear();
    Click(list, {5, 5});
    Pump(dialog);
    EXPECT_TRUE(SendMessageA(list, CB_GETDROPPEDSTATE, 0, 0));
    RECT field;
    GetWindowRect(list, &field);
    POINT third{5, field.bottom - field.top + 2 * 13 + 5};
    Click(list, third);
    Pump(dialog);
    EXPECT_FALSE(SendMessageA(list, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(SendMessageA(list, CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(g_commands, (std::vector<Command>{{IDC_LIST, CBN_DROPDOWN},
                                                {IDC_LIST, CBN_SELCHANGE},
                                                {IDC_LIST, CBN_SELENDOK},
                                                {IDC_LIST, CBN_CLOSEUP}}));
    char text[16];
    EXPECT_EQ(SendMessageA(list, CB_GETLBTEXT, 2, reinterpret_cast<LPARAM>(text)), 5);
    EXPECT_STREQ(text, "Large");
    GetWindowTextA(list, text, sizeof text);
    EXPECT_STREQ(text, "Large");
    Key(VK_TAB);
    Pump(dialog);
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), IDC_NUMBER);
    DestroyWindow(dialog);
}

TEST(DialogTest, EditControlsTypeWithinTheirLimitsAndReportLosingTheFocus) {
    HWND dialog = OpenSample();
    HWND number = GetDlgItem(dialog, IDC_NUMBER);
    SendMessageA(number, EM_LIMITTEXT, 3, 0);
    SetFocus(number);
    g_commands.clear();
    for (WORD key : {'1', 'X', '2', '3', '4'}) Key(key);
    Pump(dialog);
    BOOL translated = FALSE;
    EXPECT_EQ(GetDlgItemInt(dialog, IDC_NUMBER, &translated, FALSE), 123u);
    EXPECT_TRUE(translated);
    int changes = 0;
    for (const Command& c : g_commands) changes += c.code == EN_CHANGE;
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(g_commands.back(), (Command{IDC_NUMBER, EN_MAXTEXT}));
    EXPECT_TRUE(SendMessageA(number, EM_GETMODIFY, 0, 0));

    g_commands.clear();
    Key(VK_TAB);
    Pump(dialog);
    ASSERT_FALSE(g_commands.empty());
    EXPECT_EQ(g_commands.front(), (Command{IDC_NUMBER, EN_KILLFOCUS}));
    // The dialog manager selects the text of an edit control it moves to.
    Key(VK_TAB, true);
    Pump(dialog);
    DWORD start = 0, end = 0;
    SendMessageA(number, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 3u);
    SetDlgItemInt(dialog, IDC_NUMBER, static_cast<UINT>(-5), TRUE);
    EXPECT_EQ(static_cast<int>(GetDlgItemInt(dialog, IDC_NUMBER, &translated, TRUE)), -5);
    DestroyWindow(dialog);
}

// A template built in memory: a dialog in "MS Sans Serif" 8 with one button.
std::vector<WORD> MemoryTemplate() {
    std::vector<WORD> words;
    auto dword = [&](DWORD value) {
        words.push_back(LOWORD(value));
        words.push_back(HIWORD(value));
    };
    auto text = [&](const char16_t* s) {
        for (; *s; ++s) words.push_back(*s);
        words.push_back(0);
    };
    dword(WS_POPUP | WS_CAPTION | DS_SETFONT | DS_MODALFRAME | WS_VISIBLE);
    dword(0);
    words.push_back(1);  // one item
    for (short v : {10, 10, 100, 50}) words.push_back(static_cast<WORD>(v));
    words.push_back(0);  // no menu
    words.push_back(0);  // the dialog class
    text(u"Memory");
    words.push_back(8);
    text(u"MS Sans Serif");
    if (words.size() % 2) words.push_back(0);  // DWORD alignment
    dword(WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON);
    dword(0);
    for (short v : {10, 10, 40, 14}) words.push_back(static_cast<WORD>(v));
    words.push_back(IDOK);
    words.push_back(0xFFFF);
    words.push_back(0x0080);  // Button
    text(u"OK");
    words.push_back(0);  // no creation data
    return words;
}

INT_PTR CALLBACK PressOkProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    if (message == WM_INITDIALOG) {
        RECT units{0, 0, 4, 8};
        MapDialogRect(dialog, &units);
        // The dialog font's units are those of a standard desktop.
        EXPECT_EQ(units.right, 6);
        EXPECT_EQ(units.bottom, 13);
        PostMessageA(dialog, WM_APP, 0, 0);
        return TRUE;
    }
    if (message == WM_APP) {
        Key(VK_RETURN);
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wparam) == IDOK) {
        EndDialog(dialog, 7);
        return TRUE;
    }
    return FALSE;
}

TEST(DialogTest, TemplatesInMemoryWork) {
    std::vector<WORD> words = MemoryTemplate();
    INT_PTR result = DialogBoxIndirectParamA(
        nullptr, reinterpret_cast<LPCDLGTEMPLATEA>(words.data()), nullptr, PressOkProc, 0);
    EXPECT_EQ(result, 7);
}

}  // namespace

namespace {

// An owner that presses a key the first time its modal message box is idle
// (DialogBox tells the owner with WM_ENTERIDLE).
WORD g_answer_key = 0;
LRESULT CALLBACK AnsweringOwner(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_ENTERIDLE && g_answer_key && IsWindowVisible(reinterpret_cast<HWND>(lparam)))
        Key(std::exchange(g_answer_key, 0));
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

TEST(DialogTest, MessageBoxAnswersWithTheButtonPressed) {
    WNDCLASSA owner_class{};
    owner_class.lpfnWndProc = AnsweringOwner;
    owner_class.lpszClassName = "AnsweringOwner";
    RegisterClassA(&owner_class);
    HWND owner = CreateWindowExA(0, "AnsweringOwner", "", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                                 nullptr, nullptr, nullptr, nullptr);
    g_answer_key = VK_RETURN;
    EXPECT_EQ(MessageBoxA(owner, "Continue?\nReally?", "Question", MB_YESNO | MB_DEFBUTTON2), IDNO);
    // The owner takes input again afterwards.
    EXPECT_TRUE(IsWindowEnabled(owner));
    // Esc in a box with only OK answers OK.
    g_answer_key = VK_ESCAPE;
    EXPECT_EQ(MessageBoxA(owner, "Done.", "Info", MB_OK | MB_ICONINFORMATION), IDOK);
    DestroyWindow(owner);
}

}  // namespace
