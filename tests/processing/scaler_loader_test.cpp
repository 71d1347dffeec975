// The scaler loader: the process-wide current instance, the forwarders and
// a plug-in that lacks one of its exports.
#include "processing/scaler_loader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kmx {
namespace {

const std::string kPartialScaler = std::string(KMX_TEST_PLUGIN_DIR) + "/partial_scaler.so";

TEST(ScalerLoader, WithoutAnInstanceNothingIsReachable) {
    EXPECT_EQ(ScalerUnload(nullptr), 0);
    EXPECT_EQ(ScalerSelect(nullptr), 0);
    EXPECT_EQ(ScalerResolveAll(), 0);
    EXPECT_EQ(ScalerHasEntry("KMXScaleProcess"), 0);
    KMXSCALE_HANDLE handle = 0;
    EXPECT_EQ(KMXScaleHandleOpen(&handle, 4, 4, 2, 2), kScalerUnreachable);
    EXPECT_EQ(KMXScaleHandleClose(&handle), kScalerUnreachable);
    EXPECT_EQ(ScalerLoad("no_such_scaler.dll"), nullptr);
    EXPECT_EQ(ScalerUnload(nullptr), 0);
}

TEST(ScalerLoader, ForwardsToTheMostRecentlyLoadedOrSelectedInstance) {
    ScalerInstance* first = ScalerLoad(nullptr);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->process, kScalerUnresolved);
    EXPECT_EQ(ScalerHasEntry("KMXScaleProcess"), 1);
    EXPECT_EQ(ScalerHasEntry("KMXScaleRotate"), 0);
    EXPECT_EQ(ScalerResolveAll(), 1);

    // A 4x2 image halved: the forwarders reach the real plug-in.
    KMXSCALE_HANDLE handle = 0;
    ASSERT_EQ(KMXScaleHandleOpen(&handle, 4, 2, 2, 1), DWORD(KMXSCALE_OK));
    EXPECT_NE(handle, 0u);
    std::vector<BYTE> source(4 * 2 * 3, 0x40), destination(2 * 1 * 3);
    EXPECT_EQ(KMXScaleProcess(&handle, source.data(), DWORD(source.size()), destination.data(),
                              DWORD(destination.size())),
              DWORD(KMXSCALE_OK));
    EXPECT_EQ(destination, std::vector<BYTE>(6, 0x40));
    EXPECT_EQ(KMXScaleProcess(&handle, source.data(), DWORD(source.size()), destination.data(), 5),
              DWORD(KMXSCALE_ERROR_SIZE));

    // A second instance becomes current; unloading it leaves none current
    // until the first is selected again.
    ScalerInstance* second = ScalerLoad(kPartialScaler.c_str());
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(KMXScaleSetParam(&handle, 2, 7), 207u);
    EXPECT_EQ(ScalerUnload(second), 1);
    EXPECT_EQ(KMXScaleSetParam(&handle, KMXSCALE_PARAM_FILTER, KMXSCALE_FILTER_BOX),
              kScalerUnreachable);
    EXPECT_EQ(ScalerSelect(first), 1);
    EXPECT_EQ(KMXScaleSetParam(&handle, KMXSCALE_PARAM_FILTER, KMXSCALE_FILTER_BOX),
              DWORD(KMXSCALE_OK));
    DWORD filter = 0;
    EXPECT_EQ(KMXScaleGetParam(&handle, KMXSCALE_PARAM_FILTER, &filter), DWORD(KMXSCALE_OK));
    EXPECT_EQ(filter, DWORD(KMXSCALE_FILTER_BOX));
    EXPECT_EQ(KMXScaleHandleClose(&handle), DWORD(KMXSCALE_OK));
    EXPECT_EQ(handle, 0u);

    EXPECT_EQ(ScalerUnload(nullptr), 1);  // the current one: the first
    EXPECT_EQ(ScalerUnload(nullptr), 0);
}

TEST(ScalerLoader, AMissingExportIsRefusedAndLookedUpAgainOnEveryCall) {
    ScalerInstance* partial = ScalerLoad(kPartialScaler.c_str());
    ASSERT_NE(partial, nullptr);
    EXPECT_EQ(ScalerResolveAll(), 0);
    EXPECT_NE(partial->handle_open, nullptr);
    EXPECT_NE(partial->handle_close, nullptr);
    EXPECT_NE(partial->process, nullptr);
    EXPECT_NE(partial->set_param, nullptr);
    EXPECT_EQ(partial->get_param, nullptr);

    KMXSCALE_HANDLE handle = 0;
    DWORD value = 0;
    for (int call = 0; call < 2; ++call) {
        EXPECT_EQ(KMXScaleGetParam(&handle, KMXSCALE_PARAM_FILTER, &value), kScalerUnreachable);
        EXPECT_EQ(partial->get_param, kScalerUnresolved);
    }
    // The exports that exist get the caller's arguments unchanged.
    EXPECT_EQ(KMXScaleHandleOpen(&handle, 640, 480, 352, 288), 352288u);
    EXPECT_EQ(handle, 640480u);
    const BYTE source[1] = {9};
    BYTE destination[1] = {};
    EXPECT_EQ(KMXScaleProcess(&handle, source, 30, destination, 12), 42u);
    EXPECT_EQ(destination[0], 9);
    EXPECT_EQ(KMXScaleHandleClose(&handle), 640480u);
    EXPECT_EQ(ScalerUnload(partial), 1);
}

}  // namespace
}  // namespace kmx
