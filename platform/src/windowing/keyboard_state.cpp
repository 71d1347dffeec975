// Key states, GetKeyState, GetAsyncKeyState and TranslateMessage.
#include "windowing/keyboard_state.h"

#include "windowing/thread_queue.h"
#include "windowing/user_lock.h"
#include "windowing/window.h"

#include <cctype>

namespace kmxwin::win {
namespace {

bool IsDown(const KeyState& state, int vk) {
    return state[vk] & 0x80;
}

void SetDown(KeyState& state, int vk, bool down) {
    if (down) {
        if (!(state[vk] & 0x80)) state[vk] ^= 0x01;  // the toggle flips on a press
        state[vk] |= 0x80;
    } else {
        state[vk] &= ~0x80;
    }
}

}  // namespace

void UpdateKeyState(KeyState& state, WORD vk, bool down) {
    vk &= 0xFF;
    // A generic key stands for its left one.
    if (vk == VK_SHIFT) vk = VK_LSHIFT;
    if (vk == VK_CONTROL) vk = VK_LCONTROL;
    if (vk == VK_MENU) vk = VK_LMENU;
    SetDown(state, vk, down);
    SetDown(state, VK_SHIFT, IsDown(state, VK_LSHIFT) || IsDown(state, VK_RSHIFT));
    SetDown(state, VK_CONTROL, IsDown(state, VK_LCONTROL) || IsDown(state, VK_RCONTROL));
    SetDown(state, VK_MENU, IsDown(state, VK_LMENU) || IsDown(state, VK_RMENU));
}

KeyState& AsyncKeyState() {
    static auto* state = new KeyState{};
    return *state;
}

WPARAM MouseKeyFlags(const KeyState& state) {
    WPARAM flags = 0;
    if (IsDown(state, VK_LBUTTON)) flags |= MK_LBUTTON;
    if (IsDown(state, VK_RBUTTON)) flags |= MK_RBUTTON;
    if (IsDown(state, VK_MBUTTON)) flags |= MK_MBUTTON;
    if (IsDown(state, VK_SHIFT)) flags |= MK_SHIFT;
    if (IsDown(state, VK_CONTROL)) flags |= MK_CONTROL;
    return flags;
}

WCHAR CharacterOfKey(WORD vk, const KeyState& state) {
    bool shift = IsDown(state, VK_SHIFT);
    bool caps = state[VK_CAPITAL] & 0x01;
    bool control = IsDown(state, VK_CONTROL);
    if (vk >= 'A' && vk <= 'Z') {
        if (control) return static_cast<WCHAR>(vk - 'A' + 1);
        return static_cast<WCHAR>((shift != caps) ? vk : std::tolower(vk));
    }
    if (control) return 0;
    static const char kDigitsShifted[] = ")!@#$%^&*(";
    if (vk >= '0' && vk <= '9') return shift ? kDigitsShifted[vk - '0'] : vk;
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return static_cast<WCHAR>('0' + vk - VK_NUMPAD0);
    struct Pair {
        WORD vk;
        char plain, shifted;
    };
    static const Pair kKeys[] = {
        {VK_SPACE, ' ', ' '},      {VK_RETURN, '\r', '\r'},  {VK_BACK, '\b', '\b'},
        {VK_TAB, '\t', '\t'},      {VK_ESCAPE, 0x1B, 0x1B},  {VK_OEM_1, ';', ':'},
        {VK_OEM_PLUS, '=', '+'},   {VK_OEM_COMMA, ',', '<'}, {VK_OEM_MINUS, '-', '_'},
        {VK_OEM_PERIOD, '.', '>'}, {VK_OEM_2, '/', '?'},     {VK_OEM_3, '`', '~'},
        {VK_OEM_4, '[', '{'},      {VK_OEM_5, '\\', '|'},    {VK_OEM_6, ']', '}'},
        {VK_OEM_7, '\'', '"'},     {VK_MULTIPLY, '*', '*'},  {VK_ADD, '+', '+'},
        {VK_SUBTRACT, '-', '-'},   {VK_DECIMAL, '.', '.'},   {VK_DIVIDE, '/', '/'},
    };
    for (const Pair& key : kKeys)
        if (key.vk == vk) return static_cast<WCHAR>(shift ? key.shifted : key.plain);
    return 0;
}

}  // namespace kmxwin::win

using namespace kmxwin::win;

extern "C" {

SHORT WINAPI GetKeyState(int nVirtKey) {
    ThreadQueue& queue = CurrentQueue();
    std::lock_guard lock(UserLock());
    BYTE state = queue.key_state[nVirtKey & 0xFF];
    return static_cast<SHORT>(((state & 0x80) ? 0x8000 : 0) | (state & 0x01));
}

SHORT WINAPI GetAsyncKeyState(int vKey) {
    std::lock_guard lock(UserLock());
    return (AsyncKeyState()[vKey & 0xFF] & 0x80) ? static_cast<SHORT>(0x8000) : 0;
}

BOOL WINAPI TranslateMessage(const MSG* lpMsg) {
    if (!lpMsg) return FALSE;
    UINT message = lpMsg->message;
    if (message != WM_KEYDOWN && message != WM_SYSKEYDOWN)
        return message == WM_KEYUP || message == WM_SYSKEYUP;
    ThreadQueue& queue = CurrentQueue();
    KeyState state;
    {
        std::lock_guard lock(UserLock());
        state = queue.key_state;
    }
    WCHAR character = CharacterOfKey(static_cast<WORD>(lpMsg->wParam), state);
    if (!character) return TRUE;
    UINT char_message = message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
    // Posted messages are taken before input, so the character arrives
    // before the next key.
    PostMessageW(lpMsg->hwnd, char_message, character, lpMsg->lParam);
    return TRUE;
}

}  // extern "C"
