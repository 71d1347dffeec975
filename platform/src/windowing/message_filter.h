// Which messages a GetMessage or PeekMessage call asks for.
#pragma once

#include <windows.h>

namespace kmxwin::win {

struct MessageFilter {
    HWND hwnd;  // nullptr: any; (HWND)-1: only thread messages
    UINT first;
    UINT last;  // first = last = 0: every message

    bool TakesMessage(UINT message) const {
        if (first == 0 && last == 0) return true;
        if (first > last) return message >= first || message <= last;
        return message >= first && message <= last;
    }
    // Lock held: whether a message for HWND passes.
    bool TakesWindow(HWND target) const;
};

}  // namespace kmxwin::win
