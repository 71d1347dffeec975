// Module entry points: when they are called and with what, reference counts,
// refused attaches, entry points that load modules, start and exit.
#include <windows.h>

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <optional>
#include <thread>

#include "common/test_environment.h"
#include "module_test_support.h"

namespace {

using kmxtest::TakeModuleEventTexts;
using Texts = std::vector<std::string>;

class EntryPoints : public kmxtest::ModuleTest {};

TEST_F(EntryPoints, AttachAtTheFirstLoadDetachAtTheLastFree) {
    HMODULE module = LoadLibraryA("kmxtest_probe");
    ASSERT_NE(module, nullptr);
    std::vector<kmxtest::ModuleEvent> events = kmxtest::TakeModuleEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].text, "kmxtest_probe attach null");
    EXPECT_EQ(events[0].instance, module);  // the module's own handle

    EXPECT_EQ(LoadLibraryA("kmxtest_probe"), module);
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(TakeModuleEventTexts(), Texts{});
    EXPECT_EQ(GetModuleHandleA("kmxtest_probe"), module);

    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(TakeModuleEventTexts(), Texts{"kmxtest_probe detach null"});
    EXPECT_EQ(GetModuleHandleA("kmxtest_probe"), nullptr);
}

TEST_F(EntryPoints, GetModuleHandleTakesNoReference) {
    HMODULE module = LoadLibraryA("kmxtest_probe");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(GetModuleHandleA("kmxtest_probe.dll"), module);
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(TakeModuleEventTexts(),
              (Texts{"kmxtest_probe attach null", "kmxtest_probe detach null"}));
}

TEST_F(EntryPoints, ARefusedAttachIsFollowedByDetachAndFailsTheLoad) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(LoadLibraryA("kmxtest_refusing.dll"), nullptr);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DLL_INIT_FAILED));
        // Unloaded again: the next attempt attaches afresh.
        EXPECT_EQ(GetModuleHandleA("kmxtest_refusing.dll"), nullptr);
        EXPECT_EQ(TakeModuleEventTexts(),
                  (Texts{"kmxtest_refusing attach null", "kmxtest_refusing detach null"}));
    }
}

TEST_F(EntryPoints, AnEntryPointMayLoadAndFreeModules) {
    // Its own nested load of a refusing module fails without failing its
    // load, and the probe it loads stays until its detach frees it.
    HMODULE nesting = LoadLibraryA("kmxtest_nesting");
    ASSERT_NE(nesting, nullptr) << GetLastError();
    EXPECT_EQ(TakeModuleEventTexts(),
              (Texts{"kmxtest_nesting attach null", "kmxtest_refusing attach null",
                     "kmxtest_refusing detach null", "kmxtest_probe attach null"}));
    EXPECT_NE(GetModuleHandleA("kmxtest_probe"), nullptr);
    EXPECT_TRUE(FreeLibrary(nesting));
    EXPECT_EQ(TakeModuleEventTexts(),
              (Texts{"kmxtest_nesting detach null", "kmxtest_probe detach null"}));
    EXPECT_EQ(GetModuleHandleA("kmxtest_probe"), nullptr);
}

TEST_F(EntryPoints, ConcurrentLoadsKeepTheirOwnOutcomes) {
    constexpr int kRounds = 100;
    int refused = 0, loaded = 0;
    std::thread refusing([&] {
        for (int round = 0; round < kRounds; ++round) {
            if (!LoadLibraryA("kmxtest_refusing") && GetLastError() == ERROR_DLL_INIT_FAILED)
                ++refused;
        }
    });
    std::thread probing([&] {
        for (int round = 0; round < kRounds; ++round) {
            if (HMODULE module = LoadLibraryA("kmxtest_probe"); module && FreeLibrary(module))
                ++loaded;
        }
    });
    refusing.join();
    probing.join();
    EXPECT_EQ(refused, kRounds);
    EXPECT_EQ(loaded, kRounds);
    // Each module's own calls alternate attach and detach, one pair a round.
    Texts probe, refusal;
    for (std::string& text : TakeModuleEventTexts())
        (text.starts_with("kmxtest_probe") ? probe : refusal).push_back(text);
    for (Texts* calls : {&probe, &refusal}) {
        ASSERT_EQ(calls->size(), 2u * kRounds);
        for (size_t call = 0; call < calls->size(); ++call) {
            const char* expected = call % 2 ? " detach null" : " attach null";
            EXPECT_TRUE((*calls)[call].ends_with(expected)) << (*calls)[call];
        }
    }
}

// Windows passes a non-NULL reserved argument to the modules that come with
// the process's start and go with its exit.
TEST_F(EntryPoints, ProgramStartAndExitPassReserved) {
    kmxtest::ChildProcess host(kmxtest::ProgramPath("module_host"), {});
    Texts lines;
    while (std::optional<std::string> line = host.ReadLine()) lines.push_back(*line);
    int status = host.Wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(Texts(lines.begin(), lines.begin() + 3),
              (Texts{"kmxtest_linked attach non-null", "kmxtest_probe attach null", "loaded"}));
    Texts exit(lines.begin() + 3, lines.end());
    std::sort(exit.begin(), exit.end());
    EXPECT_EQ(exit, (Texts{"kmxtest_linked detach non-null", "kmxtest_probe detach non-null"}));
}

}  // namespace
