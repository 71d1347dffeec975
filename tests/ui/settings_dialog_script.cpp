#include "settings_dialog_script.h"

#include <gtest/gtest.h>

#include <utility>

namespace kmxtest {
namespace {

std::function<void(HWND)> g_script;

// A thread timer fires inside the dialog's modal loop, once the dialog shows.
void CALLBACK RunScript(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    if (g_script) std::exchange(g_script, {})(GetActiveWindow());
}

}  // namespace

void RunWithScript(std::function<void(HWND)> script, const std::function<void()>& show) {
    g_script = std::move(script);
    UINT_PTR timer = SetTimer(nullptr, 0, 1, RunScript);
    show();
    KillTimer(nullptr, timer);
    g_script = {};
}

std::string Text(HWND dialog, int id) {
    char text[128] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

std::string Caption(HWND window) {
    char text[128] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::vector<std::string> Items(HWND dialog, int id) {
    HWND list = GetDlgItem(dialog, id);
    std::vector<std::string> items;
    for (LRESULT i = 0; i < SendMessageA(list, CB_GETCOUNT, 0, 0); ++i) {
        char text[64] = {};
        SendMessageA(list, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

std::string Selected(HWND dialog, int id) {
    HWND list = GetDlgItem(dialog, id);
    LRESULT index = SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return "(none)";
    char text[64] = {};
    SendMessageA(list, CB_GETLBTEXT, WPARAM(index), reinterpret_cast<LPARAM>(text));
    return text;
}

void Notify(HWND dialog, int id, WORD code) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, code),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void Choose(HWND dialog, int id, const std::string& text) {
    HWND list = GetDlgItem(dialog, id);
    LRESULT index =
        SendMessageA(list, CB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(text.c_str()));
    ASSERT_NE(index, CB_ERR) << text;
    SendMessageA(list, CB_SETCURSEL, WPARAM(index), 0);
    Notify(dialog, id, CBN_SELCHANGE);
}

void Type(HWND dialog, int id, const char* text) {
    SetDlgItemTextA(dialog, id, text);
    Notify(dialog, id, EN_KILLFOCUS);
}

}  // namespace kmxtest
