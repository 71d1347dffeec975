// The state of a system control, kept behind a pointer in the control's
// window extra bytes as Windows keeps it: made at WM_NCCREATE, freed at
// WM_NCDESTROY.
#pragma once

#include <windows.h>

namespace kmxwin::win {

template <class State>
State* ControlState(HWND hwnd) {
    return reinterpret_cast<State*>(GetWindowLongPtrA(hwnd, 0));
}

template <class State>
State* AttachControlState(HWND hwnd) {
    auto* state = new State;
    SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(state));
    return state;
}

template <class State>
void FreeControlState(HWND hwnd) {
    delete reinterpret_cast<State*>(SetWindowLongPtrA(hwnd, 0, 0));
}

// Sends WM_COMMAND with notification CODE from control HWND to its parent.
void NotifyParent(HWND hwnd, WORD code);

}  // namespace kmxwin::win
