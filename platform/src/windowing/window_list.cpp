// The process's window list. A handle's low word names a slot and its high
// word the slot's generation, so a handle stays 32 bits wide and a stale one
// fails instead of naming a later window; as Windows does for 16-bit code, a
// high word of 0 or 0xFFFF stands for the slot's current generation. A freed
// slot is reused only after every other free one.
#include "windowing/window.h"

#include "windowing/display.h"
#include "windowing/user_lock.h"
#include "windowing/window_surface.h"
#include "windowing/dialog_data.h"

#include <algorithm>
#include <deque>

namespace kmxwin::win {
namespace {

constexpr unsigned kFirstIndex = 0x20;  // low words are even and start here
constexpr unsigned kSlots = (0x10000 - kFirstIndex) / 2;

struct Slot {
    WindowPtr window;
    WORD generation = 0;
};

struct WindowList {
    std::vector<Slot> slots;
    std::deque<unsigned> free_slots;
    WindowPtr desktop;
};

WindowList& List() {
    // Never destroyed: threads may still look up windows while the process
    // exits.
    static WindowList* list = [] {
        auto* made = new WindowList;
        made->desktop = std::make_shared<Window>();
        made->desktop->style = WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
        SIZE screen = TheDisplay().ScreenSize();
        made->desktop->window_rect = made->desktop->client_rect = {0, 0, screen.cx, screen.cy};
        made->slots.push_back({made->desktop, 1});
        made->desktop->handle =
            reinterpret_cast<HWND>(static_cast<uintptr_t>(0x10000 | kFirstIndex));
        return made;
    }();
    return *list;
}

WORD NextGeneration(WORD generation) {
    ++generation;
    if (generation == 0 || generation == 0xFFFF) generation = 1;
    return generation;
}

}  // namespace

std::mutex& UserLock() {
    static std::mutex* lock = new std::mutex;
    return *lock;
}

Window::Window() = default;
Window::~Window() = default;

Window& Desktop() {
    return *List().desktop;
}

Window* FindWindowLocked(HWND hwnd) {
    auto value = reinterpret_cast<uintptr_t>(hwnd);
    unsigned low = value & 0xFFFF;
    unsigned high = (value >> 16) & 0xFFFF;
    WindowList& list = List();
    if ((value >> 32) == 0 && low >= kFirstIndex && (low & 1) == 0) {
        unsigned index = (low - kFirstIndex) / 2;
        if (index < list.slots.size()) {
            Slot& slot = list.slots[index];
            if (slot.window && (high == slot.generation || high == 0 || high == 0xFFFF))
                return slot.window.get();
        }
    }
    return nullptr;
}

Window* LookupWindowLocked(HWND hwnd) {
    Window* window = FindWindowLocked(hwnd);
    if (!window) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return window;
}

WindowPtr LookupWindow(HWND hwnd) {
    std::lock_guard lock(UserLock());
    Window* window = LookupWindowLocked(hwnd);
    return window ? SharedWindow(*window) : nullptr;
}

WindowPtr SharedWindow(Window& window) {
    auto low = reinterpret_cast<uintptr_t>(window.handle) & 0xFFFF;
    return List().slots[(low - kFirstIndex) / 2].window;
}

bool InsertWindow(const WindowPtr& window) {
    WindowList& list = List();
    unsigned index;
    if (!list.free_slots.empty()) {
        index = list.free_slots.front();
        list.free_slots.pop_front();
    } else if (list.slots.size() < kSlots) {
        index = static_cast<unsigned>(list.slots.size());
        list.slots.emplace_back();
    } else {
        return false;
    }
    Slot& slot = list.slots[index];
    slot.generation = NextGeneration(slot.generation);
    slot.window = window;
    window->handle = reinterpret_cast<HWND>(static_cast<uintptr_t>(slot.generation) << 16 |
                                            (kFirstIndex + 2 * index));
    return true;
}

void RemoveWindow(Window& window) {
    auto low = reinterpret_cast<uintptr_t>(window.handle) & 0xFFFF;
    unsigned index = (low - kFirstIndex) / 2;
    WindowList& list = List();
    window.destroyed = true;
    list.slots[index].window.reset();
    list.free_slots.push_back(index);
}

std::vector<WindowPtr> WindowsOfThread(DWORD thread) {
    std::vector<WindowPtr> windows;
    for (Slot& slot : List().slots)
        if (slot.window && slot.window->queue && slot.window->thread_id == thread)
            windows.push_back(slot.window);
    return windows;
}

bool IsTopLevel(const Window& window) {
    return window.parent == &Desktop();
}

Window& TopLevelOf(Window& window) {
    Window* current = &window;
    while (current->parent && current->parent != &Desktop()) current = current->parent;
    return *current;
}

bool IsDescendant(const Window& ancestor, const Window& window) {
    for (const Window* current = window.parent; current; current = current->parent)
        if (current == &ancestor) return true;
    return false;
}

bool IsVisibleLocked(const Window& window) {
    for (const Window* current = &window; current; current = current->parent)
        if (!(current->style & WS_VISIBLE)) return false;
    return true;
}

bool IsEnabledLocked(const Window& window) {
    return !(window.style & WS_DISABLED);
}

POINT ClientOrigin(const Window& window) {
    POINT origin{0, 0};
    for (const Window* current = &window; current && current->parent; current = current->parent) {
        origin.x += current->client_rect.left;
        origin.y += current->client_rect.top;
    }
    return origin;
}

POINT WindowOrigin(const Window& window) {
    if (!window.parent) return {0, 0};
    POINT origin = ClientOrigin(*window.parent);
    return {origin.x + window.window_rect.left, origin.y + window.window_rect.top};
}

RECT ScreenWindowRect(const Window& window) {
    if (!window.parent) return window.client_rect;
    POINT origin = ClientOrigin(*window.parent);
    return OffsetRectBy(window.window_rect, origin.x, origin.y);
}

RECT ScreenClientRect(const Window& window) {
    if (!window.parent) return window.client_rect;
    POINT origin = ClientOrigin(*window.parent);
    return OffsetRectBy(window.client_rect, origin.x, origin.y);
}

void LinkChild(Window& child, bool at_top) {
    auto& siblings = child.parent->children;
    if (at_top)
        siblings.insert(siblings.begin(), &child);
    else
        siblings.push_back(&child);
}

void UnlinkChild(Window& child) {
    if (child.parent) std::erase(child.parent->children, &child);
}

bool PointInRect(const RECT& rect, POINT pt) {
    return pt.x >= rect.left && pt.x < rect.right && pt.y >= rect.top && pt.y < rect.bottom;
}

RECT OffsetRectBy(RECT rect, int dx, int dy) {
    return {rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
}

bool IsEmptyRect(const RECT& rect) {
    return rect.right <= rect.left || rect.bottom <= rect.top;
}

RECT IntersectRects(const RECT& a, const RECT& b) {
    RECT result{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
    if (IsEmptyRect(result)) return {0, 0, 0, 0};
    return result;
}

RECT UnionRects(const RECT& a, const RECT& b) {
    if (IsEmptyRect(a)) return b;
    if (IsEmptyRect(b)) return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

}  // namespace kmxwin::win
