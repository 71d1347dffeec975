// Window classes: the system classes every process has and the classes a
// process registers, found by name (without regard to case) or by atom.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace kmxwin::win {

struct WindowClass {
    ATOM atom = 0;
    std::string name;
    UINT style = 0;
    WNDPROC proc = nullptr;
    bool unicode = false;  // the procedure takes "W" messages
    int class_extra = 0;
    int window_extra = 0;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HICON small_icon = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    bool system = false;  // one of the classes every process has
};

// The class that NAME (a string or an atom) names for INSTANCE: a class of
// that module, else a system class. nullptr with ERROR_CLASS_DOES_NOT_EXIST.
std::shared_ptr<WindowClass> FindWindowClass(LPCSTR name, HINSTANCE instance);

// Registers CLASS; its atom, or 0 with the last error set.
ATOM RegisterWindowClass(WindowClass window_class);

// The names of the system classes, registered at start.
inline constexpr const char kButtonClass[] = "Button";
inline constexpr const char kStaticClass[] = "Static";
inline constexpr const char kEditClass[] = "Edit";
inline constexpr const char kComboBoxClass[] = "ComboBox";
inline constexpr const char kComboListClass[] = "ComboLBox";
inline constexpr const char kDialogClass[] = "#32770";
inline constexpr ATOM kDialogAtom = 0x8002;

}  // namespace kmxwin::win
