// GetModuleHandleA, GetModuleFileNameA and GetProcAddress, and what the
// module functions do with handles and arguments that name nothing.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "common/test_environment.h"
#include "module_test_support.h"
#include "plugins/module_events.h"

namespace {

using kmxtest::kModuleDirectory;
using kmxtest::ModuleFileName;

class ModuleLookup : public kmxtest::ModuleTest {
  protected:
    void SetUp() override {
        ModuleTest::SetUp();
        probe_ = LoadLibraryA("kmxtest_probe");
        ASSERT_NE(probe_, nullptr);
    }
    void TearDown() override {
        if (probe_) {
            EXPECT_TRUE(FreeLibrary(probe_));
        }
    }
    HMODULE probe_ = nullptr;
};

TEST_F(ModuleLookup, GetModuleHandleFindsLoadedModulesByNameOrPath) {
    EXPECT_EQ(GetModuleHandleA("kmxtest_probe"), probe_);
    EXPECT_EQ(GetModuleHandleA("KMXTEST_PROBE.DLL"), probe_);
    EXPECT_EQ(GetModuleHandleA((kModuleDirectory + "\\kmxtest_probe.dll").c_str()), probe_);
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(GetModuleHandleA("kmxtest_sibling"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    // Another directory's file of the same name is another module.
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(GetModuleHandleA("/nonexistent/kmxtest_probe.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST_F(ModuleLookup, TheProgramsModule) {
    HMODULE program = GetModuleHandleA(nullptr);
    ASSERT_NE(program, nullptr);
    EXPECT_NE(program, probe_);
    std::string path = kmxtest::ProgramPath("platform_module_test");
    EXPECT_EQ(ModuleFileName(nullptr), path);
    EXPECT_EQ(ModuleFileName(program), path);
    // Its exports, which the test modules use to report to it; a NULL module
    // means the program's too.
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(program, "RecordModuleEvent")),
              reinterpret_cast<void*>(&RecordModuleEvent));
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(nullptr, "RecordModuleEvent")),
              reinterpret_cast<void*>(&RecordModuleEvent));
}

TEST_F(ModuleLookup, GetModuleFileNameTruncatesToTheBufferWithItsNull) {
    std::string path = kModuleDirectory + "/kmxtest_probe.so";
    DWORD length = static_cast<DWORD>(path.size());
    std::string buffer(length + 8, '#');

    EXPECT_EQ(GetModuleFileNameA(probe_, buffer.data(), length + 1), length);
    EXPECT_EQ(buffer.substr(0, length + 1), path + '\0');

    for (DWORD size : {length, DWORD{1}}) {
        buffer.assign(length + 8, '#');
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(GetModuleFileNameA(probe_, buffer.data(), size), size);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
        EXPECT_EQ(buffer.substr(0, size), path.substr(0, size - 1) + '\0');
        EXPECT_EQ(buffer.substr(size), std::string(buffer.size() - size, '#'));
    }

    buffer.assign(length + 8, '#');
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(GetModuleFileNameA(probe_, buffer.data(), 0), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(buffer, std::string(length + 8, '#'));
}

TEST_F(ModuleLookup, GetProcAddressFindsTheModulesOwnExportsOnly) {
    EXPECT_EQ(kmxtest::LocationOf(probe_), "plugin path");
    // Names it does not define: unknown ones, and those of the modules it
    // imports from or of the program.
    for (const char* name :
         {"NoSuchExport", "testmodulelocation", "LoadLibraryA", "RecordModuleEvent"}) {
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(GetProcAddress(probe_, name), nullptr) << name;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND)) << name;
    }
}

TEST_F(ModuleLookup, GetProcAddressServesModulesLoadedAsAnothersDependency) {
    HMODULE dependent = LoadLibraryA("kmxtest_dependent");
    ASSERT_NE(dependent, nullptr);
    HMODULE dependency = GetModuleHandleA("libkmxtest_linked");
    ASSERT_NE(dependency, nullptr);
    EXPECT_EQ(kmxtest::LocationOf(dependency), "linked");
    EXPECT_TRUE(FreeLibrary(dependent));
}

TEST_F(ModuleLookup, HandlesOfNoModuleFailWithoutHarm) {
    int not_a_module = 0;
    HMODULE unloaded = LoadLibraryA("kmxtest_sibling");
    ASSERT_NE(unloaded, nullptr);
    ASSERT_TRUE(FreeLibrary(unloaded));
    for (HMODULE module : {reinterpret_cast<HMODULE>(&not_a_module), HMODULE{}, unloaded}) {
        if (module) {
            SetLastError(ERROR_SUCCESS);
            char path[MAX_PATH];
            EXPECT_EQ(GetModuleFileNameA(module, path, sizeof path), 0u);
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
            SetLastError(ERROR_SUCCESS);
            EXPECT_EQ(GetProcAddress(module, "TestModuleLocation"), nullptr);
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        }
        SetLastError(ERROR_SUCCESS);
        EXPECT_FALSE(FreeLibrary(module));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
}

TEST_F(ModuleLookup, NullArguments) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(GetProcAddress(probe_, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(GetModuleFileNameA(probe_, nullptr, MAX_PATH), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
