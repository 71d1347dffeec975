#include "module_test_support.h"

#include <kmxwin/driver_registry.h>
#include <stdlib.h>

#include <cstring>

#include <mutex>
#include <utility>

#include "plugins/module_events.h"

namespace kmxtest {
namespace {

struct EventLog {
    std::mutex lock;
    std::vector<ModuleEvent> events;
    std::vector<std::string> driver_messages;
};

// Never destroyed: modules still loaded at exit detach after our statics are gone.
EventLog& Log() {
    static EventLog* log = new EventLog;
    return *log;
}

}  // namespace

std::vector<ModuleEvent> TakeModuleEvents() {
    std::lock_guard guard(Log().lock);
    return std::exchange(Log().events, {});
}

std::vector<std::string> TakeModuleEventTexts() {
    std::vector<std::string> texts;
    for (ModuleEvent& event : TakeModuleEvents()) texts.push_back(std::move(event.text));
    return texts;
}

std::vector<std::string> TakeDriverMessages() {
    std::lock_guard guard(Log().lock);
    return std::exchange(Log().driver_messages, {});
}

void SetDriverValue(const char* section, const char* name, const char* value) {
    std::string path = std::string(KMXWIN_DRIVERS_KEY) + "\\" + section;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                             static_cast<DWORD>(strlen(value) + 1)),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

std::string LocationOf(HMODULE module) {
    using LocationFunction = const char*(WINAPI*)();
    auto location = reinterpret_cast<LocationFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "TestModuleLocation")));
    return location ? location() : "<no TestModuleLocation>";
}

std::string ModuleFileName(HMODULE module) {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(module, path, sizeof path);
    return length > 0 && length < sizeof path ? std::string(path, length) : std::string();
}

void ModuleTest::SetUp() {
    setenv("KMX512_PLUGIN_PATH", kModuleDirectory.c_str(), 1);
    TakeModuleEvents();
    TakeDriverMessages();
}

}  // namespace kmxtest

extern "C" void RecordModuleEvent(const char* module, HINSTANCE instance, DWORD reason,
                                  LPVOID reserved) {
    char text[256];
    FormatModuleEvent(text, sizeof text, module, reason, reserved);
    std::lock_guard guard(kmxtest::Log().lock);
    kmxtest::Log().events.push_back({text, instance});
}

extern "C" KMXTEST_EXPORT void RecordDriverMessage(const char* text) {
    std::lock_guard guard(kmxtest::Log().lock);
    kmxtest::Log().driver_messages.emplace_back(text);
}
