// The state of the keys and mouse buttons: as input arrives (asynchronous)
// and as of the last input message a thread took (GetKeyState).
#pragma once

#include <windows.h>

#include <array>

namespace kmxwin::win {

using KeyState = std::array<BYTE, 256>;

// Records VK going down or up in STATE, with the generic VK_SHIFT,
// VK_CONTROL and VK_MENU following their left and right keys; down toggles.
void UpdateKeyState(KeyState& state, WORD vk, bool down);

// The asynchronous state (lock held).
KeyState& AsyncKeyState();

// The MK_* flags of STATE.
WPARAM MouseKeyFlags(const KeyState& state);

// The character that VK types with STATE's shift keys, on a US layout; 0
// when it types none.
WCHAR CharacterOfKey(WORD vk, const KeyState& state);

}  // namespace kmxwin::win
