#include "windowing/paint_state.h"

#include "windowing/user_lock.h"
#include "windowing/window.h"

namespace kmxwin::win {
namespace {

RECT ClientArea(const Window& window) {
    return {0, 0, window.client_rect.right - window.client_rect.left,
            window.client_rect.bottom - window.client_rect.top};
}

void SetNeedsPaint(Window& window, bool needs) {
    if (window.needs_paint == needs) return;
    window.needs_paint = needs;
    if (!window.queue) return;
    if (needs) {
        ++window.queue->windows_to_paint;
        WakeQueue(*window.queue, kWakePaint);
    } else {
        --window.queue->windows_to_paint;
    }
}

}  // namespace

void InvalidateLocked(Window& window, const RECT* rect, bool erase, bool frame) {
    if (window.destroyed || !window.queue) return;
    RECT area = ClientArea(window);
    if (rect) area = IntersectRects(area, *rect);
    if (frame) window.needs_frame = true;
    if (!IsEmptyRect(area)) {
        window.update = window.needs_paint ? UnionRects(window.update, area) : area;
        window.needs_erase = window.needs_erase || erase;
        SetNeedsPaint(window, true);
    } else if (frame) {
        // A frame alone is drawn in the next WM_PAINT's BeginPaint.
        SetNeedsPaint(window, true);
    }
    for (Window* child : window.children) {
        if (!(child->style & WS_VISIBLE)) continue;
        RECT in_child = IntersectRects(child->window_rect, area);
        if (IsEmptyRect(in_child)) continue;
        RECT child_client =
            OffsetRectBy(in_child, -child->client_rect.left, -child->client_rect.top);
        InvalidateLocked(*child, &child_client, erase, true);
    }
}

void InvalidateParentArea(Window& parent, const RECT& area) {
    if (&parent == &Desktop()) return;
    InvalidateLocked(parent, &area, true, false);
}

void ValidateLocked(Window& window, const RECT* rect) {
    if (!window.needs_paint) return;
    if (rect) {
        // The area is kept as one rectangle: a cover across its whole width
        // or height shrinks it from that side, a cover of all of it empties
        // it, and any other cover leaves it as it was.
        RECT& update = window.update;
        RECT covered = IntersectRects(update, *rect);
        if (IsEmptyRect(covered)) return;
        bool full_width = covered.left == update.left && covered.right == update.right;
        bool full_height = covered.top == update.top && covered.bottom == update.bottom;
        if (!(full_width && full_height)) {
            if (full_width && covered.top == update.top)
                update.top = covered.bottom;
            else if (full_width && covered.bottom == update.bottom)
                update.bottom = covered.top;
            else if (full_height && covered.left == update.left)
                update.left = covered.right;
            else if (full_height && covered.right == update.right)
                update.right = covered.left;
            return;
        }
    }
    window.update = {0, 0, 0, 0};
    window.needs_erase = false;
    window.needs_frame = false;
    SetNeedsPaint(window, false);
}

void InvalidateWhole(HWND hwnd) {
    std::lock_guard lock(UserLock());
    if (Window* window = FindWindowLocked(hwnd)) InvalidateLocked(*window, nullptr, true, true);
}

void ForgetUpdateLocked(Window& window) {
    SetNeedsPaint(window, false);
}

}  // namespace kmxwin::win
