// The 16-bit pointer translation services: blocks and their selectors, fix
// counts, translation ranges, reuse of freed selectors, and the 16-bit
// window handles widened to the full ones.
#include <windows.h>
#include <wownt32.h>

#include <gtest/gtest.h>
#include <kmxwin/wow_address_space.h>

#include "common/platform_difference.h"

#include <vector>

namespace {

KMXWIN_WOW_USAGE Usage() {
    KMXWIN_WOW_USAGE usage{};
    KmxWinWowUsage(&usage);
    return usage;
}

DWORD Far(WORD selector, WORD offset) {
    return static_cast<DWORD>(selector) << 16 | offset;
}

TEST(Wow, ABlockIsReachedThroughItsSelectorWithinItsSizeAndNowhereElse) {
    KMXWIN_WOW_USAGE before = Usage();
    WORD handle = 0;
    DWORD vp = WOWGlobalAllocLock16(GMEM_ZEROINIT, 100, &handle);
    ASSERT_NE(vp, 0u);
    EXPECT_EQ(LOWORD(vp), 0);
    EXPECT_EQ(handle, HIWORD(vp));
    auto* flat = static_cast<BYTE*>(WOWGetVDMPointer(vp, 100, TRUE));
    ASSERT_NE(flat, nullptr);
    EXPECT_EQ(std::vector<BYTE>(flat, flat + 100), std::vector<BYTE>(100, 0));
    EXPECT_EQ(WOWGetVDMPointer(vp + 40, 60, TRUE), flat + 40);
    EXPECT_EQ(WOWGetVDMPointer(vp + 40, 61, TRUE), nullptr);
    EXPECT_EQ(WOWGetVDMPointer(vp + 101, 0, TRUE), nullptr);
    EXPECT_EQ(WOWGetVDMPointer(0, 1, TRUE), nullptr);
    EXPECT_EQ(WOWGetVDMPointer(Far(HIWORD(vp) + 8, 0), 1, TRUE), nullptr);
    EXPECT_EQ(Usage().blocks, before.blocks + 1);

    // Only a block's start frees it, once; then nothing reaches it.
    EXPECT_FALSE(WOWGlobalUnlockFree16(vp + 4));
    EXPECT_TRUE(WOWGlobalUnlockFree16(vp));
    EXPECT_FALSE(WOWGlobalUnlockFree16(vp));
    EXPECT_EQ(WOWGetVDMPointer(vp, 1, TRUE), nullptr);
    EXPECT_EQ(Usage().blocks, before.blocks);

    // The freed selector is the next one handed out.
    DWORD again = WOWGlobalAllocLock16(0, 8, nullptr);
    EXPECT_EQ(again, vp);
    EXPECT_TRUE(WOWGlobalUnlockFree16(again));
    EXPECT_EQ(WOWGlobalAllocLock16(0, 0, &handle), 0u);
    EXPECT_EQ(handle, 0);
}

// Only 16-bit protected mode is simulated: there are no real-mode segments.
PLATFORM_DIFFERENCE_TEST(Wow, RealModeAddressesDoNotTranslate) {
    DWORD vp = WOWGlobalAllocLock16(0, 16, nullptr);
    ASSERT_NE(vp, 0u);
    EXPECT_EQ(WOWGetVDMPointer(vp, 1, FALSE), nullptr);
    EXPECT_EQ(WOWGetVDMPointerFix(vp, 1, FALSE), nullptr);
    EXPECT_TRUE(WOWGlobalUnlockFree16(vp));
}

TEST(Wow, FixesAreCountedPerBlockAndGoWithIt) {
    KMXWIN_WOW_USAGE before = Usage();
    DWORD vp = WOWGlobalAllocLock16(GMEM_ZEROINIT, 64, nullptr);
    ASSERT_NE(vp, 0u);
    void* flat = WOWGetVDMPointerFix(vp, 64, TRUE);
    EXPECT_EQ(WOWGetVDMPointerFix(vp + 8, 4, TRUE), static_cast<BYTE*>(flat) + 8);
    EXPECT_EQ(WOWGetVDMPointerFix(vp + 8, 100, TRUE), nullptr);  // not counted
    EXPECT_EQ(Usage().fixes, before.fixes + 2);
    WOWGetVDMPointerUnfix(vp + 8);
    EXPECT_EQ(Usage().fixes, before.fixes + 1);
    WOWGetVDMPointerUnfix(vp);
    WOWGetVDMPointerUnfix(vp);  // none left: nothing happens
    WOWGetVDMPointerUnfix(0);
    EXPECT_EQ(Usage().fixes, before.fixes);

    // A block freed while fixed takes its fixes with it.
    WOWGetVDMPointerFix(vp, 1, TRUE);
    EXPECT_TRUE(WOWGlobalUnlockFree16(vp));
    EXPECT_EQ(Usage().fixes, before.fixes);
    EXPECT_EQ(Usage().selectors, before.selectors);
}

TEST(Wow, ABlockBeyond64KbTakesOneSelectorATileAndItsFirstReachesAll) {
    KMXWIN_WOW_USAGE before = Usage();
    std::vector<BYTE> memory(200 * 1024);
    DWORD vp = KmxWinWowMapFlat(memory.data(), static_cast<DWORD>(memory.size()));
    ASSERT_NE(vp, 0u);
    EXPECT_EQ(Usage().selectors, before.selectors + 4);
    EXPECT_EQ(WOWGetVDMPointer(vp, static_cast<DWORD>(memory.size()), TRUE), memory.data());
    // The next tile's selector is 8 above: it starts 64 KB in.
    EXPECT_EQ(WOWGetVDMPointer(Far(HIWORD(vp) + 8, 16), 4, TRUE), memory.data() + 0x10010);
    EXPECT_EQ(WOWGetVDMPointer(Far(HIWORD(vp) + 24, 0), 8 * 1024, TRUE),
              memory.data() + 3 * 0x10000);
    EXPECT_EQ(WOWGetVDMPointer(Far(HIWORD(vp) + 24, 0), 8 * 1024 + 1, TRUE), nullptr);
    // The caller's memory is not the space's to free.
    EXPECT_FALSE(WOWGlobalUnlockFree16(vp));
    EXPECT_TRUE(KmxWinWowUnmapFlat(vp));
    EXPECT_FALSE(KmxWinWowUnmapFlat(vp));
    EXPECT_EQ(Usage().selectors, before.selectors);
}

TEST(Wow, ASixteenBitWindowHandleWidensToTheWindowsFullHandle) {
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    WORD low = LOWORD(reinterpret_cast<DWORD_PTR>(window));
    EXPECT_EQ(WOWHandle32(low, WOW_TYPE_HWND), window);
    DestroyWindow(window);
    EXPECT_EQ(WOWHandle32(low, WOW_TYPE_HWND), reinterpret_cast<HANDLE>(DWORD_PTR{low}));
    EXPECT_EQ(WOWHandle32(0x1234, WOW_TYPE_HDC), reinterpret_cast<HANDLE>(DWORD_PTR{0x1234}));
}

}  // namespace
