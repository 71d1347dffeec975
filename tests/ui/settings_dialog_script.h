// Driving the library's modal settings dialogs as a user would, from inside
// their own modal loop, and reading their controls.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace kmxtest {

// Runs SHOW, which shows a modal dialog on this thread, and SCRIPT on that
// dialog once its loop runs; SCRIPT ends the dialog. SCRIPT does not run
// when SHOW shows no dialog.
void RunWithScript(std::function<void(HWND)> script, const std::function<void()>& show);

std::string Text(HWND dialog, int id);
// The window's caption.
std::string Caption(HWND window);
// The entries of the drop-down list ID, and the one selected ("(none)").
std::vector<std::string> Items(HWND dialog, int id);
std::string Selected(HWND dialog, int id);
// Control ID tells the dialog CODE.
void Notify(HWND dialog, int id, WORD code);
// The user picks the entry TEXT of list ID.
void Choose(HWND dialog, int id, const std::string& text);
// The user types TEXT into box ID and leaves it.
void Type(HWND dialog, int id, const char* text);

}  // namespace kmxtest
