#include "message_log.h"

#include <algorithm>
#include <utility>

namespace kmxtest {
namespace {

MessageLog* g_log = nullptr;

}  // namespace

MessageLog::MessageLog(const char* name, UINT style) : name_(name) {
    g_log = this;
    WNDCLASSA window_class{};
    window_class.style = style;
    window_class.lpfnWndProc = Procedure;
    window_class.lpszClassName = name;
    RegisterClassA(&window_class);
}

MessageLog::~MessageLog() {
    UnregisterClassA(name_, nullptr);
    g_log = nullptr;
}

std::vector<LoggedMessage> MessageLog::Take() {
    std::lock_guard lock(lock_);
    return std::exchange(messages_, {});
}

std::vector<UINT> MessageLog::TakeCodes(const std::vector<UINT>& only) {
    std::vector<UINT> codes;
    for (const LoggedMessage& logged : Take())
        if (std::find(only.begin(), only.end(), logged.message) != only.end())
            codes.push_back(logged.message);
    return codes;
}

LRESULT CALLBACK MessageLog::Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (g_log) {
        std::lock_guard lock(g_log->lock_);
        g_log->messages_.push_back({hwnd, message, wparam, lparam});
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

}  // namespace kmxtest
