// A window class whose procedure records every message it gets, for tests
// of message order.
#pragma once

#include <windows.h>

#include <mutex>
#include <vector>

namespace kmxtest {

struct LoggedMessage {
    HWND hwnd;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};

class MessageLog {
  public:
    // Registers the class NAME (styles STYLE) whose windows log here.
    MessageLog(const char* name, UINT style = 0);
    ~MessageLog();

    // The messages logged so far, and forgetting them.
    std::vector<LoggedMessage> Take();
    // Only the messages in ONLY, in order.
    std::vector<UINT> TakeCodes(const std::vector<UINT>& only);

  private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    const char* name_;
    std::mutex lock_;
    std::vector<LoggedMessage> messages_;
};

}  // namespace kmxtest
