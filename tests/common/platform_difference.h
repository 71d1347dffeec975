// Marks a platform test that asserts a deliberate difference from Windows: a
// refusal or a limit of this platform that real Windows would not give, in
// the spirit of Wine's todo_wine. Its name carries the marker, so that every
// other platform test stays true on Windows and these can be listed or left
// out with --gtest_filter=-*PlatformDifference_*.
#pragma once

#include <gtest/gtest.h>

#define PLATFORM_DIFFERENCE_TEST(suite, name) TEST(suite, PlatformDifference_##name)
