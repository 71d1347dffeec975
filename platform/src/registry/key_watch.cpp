#include "registry/key_watch.h"

#include <kmxwin/trace.h>

#include "registry/key_table.h"

#include <algorithm>

namespace kmxwin::registry {
namespace {

void Wake(HANDLE wake) {
    SetEvent(wake);
    CloseHandle(wake);
}

}  // namespace

void KeyWatch::Observe(std::optional<KeyStamp> now) {
    if (deleted_) return;
    if (!now) {
        deleted_ = true;
        End();
        return;
    }
    DWORD changes = (now->values != seen_.values ? REG_NOTIFY_CHANGE_LAST_SET : 0) |
                    (now->names != seen_.names ? REG_NOTIFY_CHANGE_NAME : 0);
    seen_ = *now;
    if (changes) Report(changes);
}

DWORD KeyWatch::Arm(DWORD filter, HANDLE wake) {
    if (deleted_) return ERROR_KEY_DELETED;
    if (unreported_ & filter) {
        unreported_ &= ~filter;
        Wake(wake);
    } else {
        waiters_.push_back({wake, filter});
    }
    return ERROR_SUCCESS;
}

void KeyWatch::End() {
    for (const Waiter& waiter : waiters_) Wake(waiter.wake);
    waiters_.clear();
}

void KeyWatch::Report(DWORD changes) {
    DWORD told = 0;
    std::erase_if(waiters_, [&](const Waiter& waiter) {
        if (!(waiter.filter & changes)) return false;
        told |= waiter.filter & changes;
        Wake(waiter.wake);
        return true;
    });
    unreported_ |= changes & ~told;
}

}  // namespace kmxwin::registry

using namespace kmxwin::registry;

extern "C" {

KMX_TRACED(registry, LSTATUS APIENTRY, RegNotifyChangeKeyValue, (HKEY, hKey), (BOOL, bWatchSubtree),
           (DWORD, dwNotifyFilter), (HANDLE, hEvent), (BOOL, fAsynchronous)) {
    std::shared_ptr<KeyObject> key;
    DWORD error = ReferenceKey(hKey, KEY_NOTIFY, &key);
    if (error != ERROR_SUCCESS) return error;
    constexpr DWORD kChanges = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_ATTRIBUTES |
                               REG_NOTIFY_CHANGE_LAST_SET | REG_NOTIFY_CHANGE_SECURITY;
    if ((dwNotifyFilter & ~static_cast<DWORD>(REG_LEGAL_CHANGE_FILTER)) ||
        !(dwNotifyFilter & kChanges) || (fAsynchronous && !hEvent))
        return ERROR_INVALID_PARAMETER;
    if (bWatchSubtree) return ERROR_NOT_SUPPORTED;

    // The watch signals a handle of its own, so that the caller may close
    // its event before the change comes, as Windows allows.
    HANDLE event = fAsynchronous ? hEvent : CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE wake = nullptr;
    if (!event || !DuplicateHandle(GetCurrentProcess(), event, GetCurrentProcess(), &wake, 0, FALSE,
                                   DUPLICATE_SAME_ACCESS)) {
        error = GetLastError();
    } else {
        error = key->hive->Watch(*key, dwNotifyFilter & kChanges, wake);
        if (error != ERROR_SUCCESS) CloseHandle(wake);
    }
    if (!fAsynchronous && event) {
        if (error == ERROR_SUCCESS) WaitForSingleObject(event, INFINITE);
        CloseHandle(event);
    }
    return error;
}

}  // extern "C"
