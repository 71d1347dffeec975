// Calling window procedures: the "A" and "W" forms of a message, the handles
// that stand for a procedure of the other form, and sending a message to a
// window of this thread or of another.
#pragma once

#include <windows.h>

#include <functional>

namespace kmxwin::win {

// The ANSI character of a wide character message's code, '?' when the code
// page lacks it.
unsigned char AnsiCharOf(WCHAR c);

// Calls PROC (an "A" procedure, or a "W" one when PROC_UNICODE) with a
// message given in the form CALLER_UNICODE says, translating the text that
// the message carries when the two forms differ.
LRESULT CallProcedure(WNDPROC proc, bool proc_unicode, HWND hwnd, UINT message, WPARAM wparam,
                      LPARAM lparam, bool caller_unicode);

// What GetWindowLongPtr(GWLP_WNDPROC) hands out: the procedure itself when
// the caller asks in its form, else a handle that CallWindowProc knows.
WNDPROC ProcedureForCaller(WNDPROC proc, bool proc_unicode, bool caller_unicode);
// The procedure and its form behind what a caller passes as a procedure.
void ResolveProcedure(WNDPROC given, bool caller_unicode, WNDPROC* proc, bool* proc_unicode);

// Sends a message to HWND: calls its procedure on this thread, or hands it
// to the window's thread and waits, handling messages sent to this thread
// meanwhile. 0 with ERROR_INVALID_WINDOW_HANDLE for a handle that names no
// window.
LRESULT SendMessageTo(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, bool unicode);

// Runs CALL on the thread of window HWND and returns its result, as a sent
// message would run there. 0 when the window is gone.
LRESULT RunOnWindowThread(HWND hwnd, std::function<LRESULT()> call);

// Handles every message that other threads have sent to this thread.
void ReceiveSentMessages();

}  // namespace kmxwin::win
