#include "windowing/text_clipboard.h"

#include <mutex>

namespace kmxwin::win {
namespace {

std::mutex g_lock;
std::string g_text;  // guarded by g_lock

}  // namespace

void PutClipboardText(std::string text) {
    std::lock_guard lock(g_lock);
    g_text = std::move(text);
}

std::string ClipboardText() {
    std::lock_guard lock(g_lock);
    return g_text;
}

}  // namespace kmxwin::win
