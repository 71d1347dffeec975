// The calls of the test modules' entry points, as they reported them to this
// program, and what the module tests share.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kmxtest {

struct ModuleEvent {
    std::string text;  // "kmxtest_probe attach null"
    HINSTANCE instance;
};

// The events since the last call, oldest first.
std::vector<ModuleEvent> TakeModuleEvents();
// Their texts only.
std::vector<std::string> TakeModuleEventTexts();

// The directory of the test modules, which KMX512_PLUGIN_PATH names in the
// module tests.
inline const std::string kModuleDirectory = KMXTEST_MODULE_DIR;

// Which copy of a test module MODULE is, as its TestModuleLocation export
// says.
std::string LocationOf(HMODULE module);

// GetModuleFileNameA with a buffer of MAX_PATH; empty when it fails.
std::string ModuleFileName(HMODULE module);

// The messages the test drivers and codecs reported (RecordDriverMessage)
// since the last call, oldest first.
std::vector<std::string> TakeDriverMessages();

// Writes the REG_SZ value NAME of a section of the driver key.
void SetDriverValue(const char* section, const char* name, const char* value);

// Each module test starts with KMX512_PLUGIN_PATH naming the test modules'
// directory and no events or driver messages recorded.
class ModuleTest : public testing::Test {
  protected:
    void SetUp() override;
};

}  // namespace kmxtest
