#include <gtest/gtest.h>

extern "C" int kmx_c_program_round_trip(void);

TEST(Headers, CompileAndWorkFromC) {
    EXPECT_TRUE(kmx_c_program_round_trip());
}
