// The library loads, runs its module start on attach and its exit on
// detach.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/test_environment.h"

namespace {

TEST(Library, LoadsAndUnloadsThroughItsEntryPoint) {
    std::string path = kmxtest::ProgramPath("../lib/libkmx512u.so");
    HMODULE library = LoadLibraryA(path.c_str());
    ASSERT_NE(library, nullptr) << "error " << GetLastError();
    char name[MAX_PATH] = {};
    EXPECT_GT(GetModuleFileNameA(library, name, sizeof name), 0u);
    EXPECT_NE(std::string(name).find("libkmx512u.so"), std::string::npos);
    EXPECT_TRUE(FreeLibrary(library));
}

}  // namespace
