// The 16-bit client path as a 16-bit application meets it, through the
// 16-bit linking driver's stand-in: formats and grabs as a 32-bit client
// gets them, the stream's callback record in 16-bit memory, frames named by
// their headers' 16:16 addresses, and nothing of the 16-bit address space
// left behind.
#include <windows.h>
#include <msviddrv.h>
#include <vfw.h>
#include <wownt32.h>

#include <gtest/gtest.h>
#include <kmxwin/vfw16.h>
#include <kmxwin/wow_address_space.h>

#include "capture/capture_test_support.h"
#include "capture/stream_client.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace {

using kmxcapturetest::CaptureTest;
using kmxcapturetest::Channel;
using kmxcapturetest::kFrameBytes;
using kmxcapturetest::StreamClient;

constexpr char16_t kDriver32[] = u"kmxvfw32.dll";
constexpr char16_t kDriver16[] = u"kmxvfw16.dll";

KMXWIN_WOW_USAGE Usage() {
    KMXWIN_WOW_USAGE usage{};
    KmxWinWowUsage(&usage);
    return usage;
}

std::string Describe(const BITMAPINFOHEADER& format) {
    return std::to_string(format.biWidth) + "x" + std::to_string(format.biHeight) + "/" +
           std::to_string(format.biBitCount) + "/" + std::to_string(format.biCompression) + "/" +
           std::to_string(format.biSizeImage);
}

// What a client sees of its channel's formats and grabs, step by step.
std::vector<std::string> FormatsAndGrab(const char16_t* driver) {
    std::vector<std::string> seen;
    auto note = [&seen](const char* step, LRESULT result, const std::string& effect) {
        seen.push_back(std::string(step) + " " + std::to_string(result) + " " + effect);
    };
    Channel capture(driver, VIDEO_IN);
    note("open", capture.IsOpen(), std::to_string(capture.Error()));
    BITMAPINFOHEADER format{};
    DWORD answer = 0;
    LRESULT result = capture.Format(VIDEO_CONFIGURE_GET | VIDEO_CONFIGURE_QUERYSIZE, &format,
                                    sizeof format, &answer);
    note("size", result, std::to_string(answer));
    result = capture.Format(VIDEO_CONFIGURE_GET, &format);
    note("get", result, Describe(format));
    note("short", capture.Format(VIDEO_CONFIGURE_GET, &format, 12), "");
    BITMAPINFOHEADER rgb16 = format;
    rgb16.biBitCount = 16;
    rgb16.biSizeImage = rgb16.biWidth * rgb16.biHeight * 2;
    note("set", capture.Format(VIDEO_CONFIGURE_SET, &rgb16), "");
    result = capture.Format(VIDEO_CONFIGURE_GET, &format);
    note("get", result, Describe(format));
    std::vector<BYTE> data(format.biSizeImage);
    VIDEOHDR grab{data.data(), format.biSizeImage, 0, 0, 7, 0, {}};
    result = capture.Send(DVM_FRAME, reinterpret_cast<LPARAM>(&grab), sizeof grab);
    bool picture =
        std::count(data.begin(), data.end(), 0) != static_cast<std::ptrdiff_t>(data.size());
    note("grab", result,
         std::to_string(grab.dwBytesUsed) + " " + std::to_string(grab.dwFlags) + " " +
             std::to_string(grab.dwUser) + " " + std::to_string(picture));
    note("close", capture.Close(), "");
    return seen;
}

TEST_F(CaptureTest, ASixteenBitClientsFormatsAndGrabsAreThoseOfA32BitClient) {
    Plug("minimal", "M");
    KMXWIN_WOW_USAGE before = Usage();
    std::vector<std::string> flat = FormatsAndGrab(kDriver32);
    std::vector<std::string> segmented = FormatsAndGrab(kDriver16);
    EXPECT_EQ(segmented, flat);
    ASSERT_EQ(flat.size(), 8u);
    EXPECT_EQ(flat[0], "open 1 0");
    EXPECT_EQ(flat[1], "size 0 40");
    EXPECT_EQ(flat[2], "get 0 320x240/24/0/230400");
    EXPECT_EQ(flat[3], "short 10 ");
    EXPECT_EQ(flat[4], "set 0 ");
    EXPECT_EQ(flat[5], "get 0 320x240/16/0/153600");
    EXPECT_EQ(flat[6], "grab 0 153600 0 7 1");
    KMXWIN_WOW_USAGE after = Usage();
    EXPECT_EQ(after.blocks, before.blocks);
    EXPECT_EQ(after.fixes, before.fixes);
}

TEST_F(CaptureTest, ASixteenBitStreamLivesIn16BitMemoryAndLeavesNothingThere) {
    Plug("minimal", "M");
    KMXWIN_WOW_USAGE before = Usage();
    {
        Channel capture(kDriver16, VIDEO_IN);
        ASSERT_TRUE(capture.IsOpen()) << capture.Error();
        StreamClient client(capture, 2);
        ASSERT_EQ(client.Init(), DV_ERR_OK);
        // The callback record's block, and the one its copies for the
        // linking driver take turns in, are all that the stream holds yet.
        EXPECT_EQ(Usage().blocks, before.blocks + 2);
        client.PrepareAndAddAll();
        ASSERT_EQ(client.Send(DVM_STREAM_START), DV_ERR_OK);
        ASSERT_TRUE(client.WaitFor(MM_DRVM_DATA, 1));
        ASSERT_EQ(client.Send(DVM_STREAM_STOP), DV_ERR_OK);
        // The frame is named by the client's header and, as a 16-bit client
        // is told, by the 16:16 address of the header the library filled,
        // whose data is the client's buffer.
        kmxcapturetest::Callback data = client.Callbacks()[1];
        ASSERT_EQ(data.message, UINT{MM_DRVM_DATA});
        EXPECT_EQ(data.parameter, reinterpret_cast<DWORD_PTR>(&client.Header(0)));
        auto* header16 = static_cast<VIDEOHDR16*>(
            WOWGetVDMPointer(static_cast<DWORD>(data.parameter2), sizeof(VIDEOHDR16), TRUE));
        ASSERT_NE(header16, nullptr);
        EXPECT_EQ(WOWGetVDMPointer(header16->lpData, kFrameBytes, TRUE), client.Header(0).lpData);
        EXPECT_EQ(header16->dwBytesUsed, kFrameBytes);
        EXPECT_EQ(client.Send(DVM_STREAM_RESET), DV_ERR_OK);
        client.UnprepareAll();
        EXPECT_EQ(client.Send(DVM_STREAM_FINI), DV_ERR_OK);
    }
    KMXWIN_WOW_USAGE after = Usage();
    EXPECT_EQ(after.blocks, before.blocks);
    EXPECT_EQ(after.selectors, before.selectors);
    EXPECT_EQ(after.fixes, before.fixes);

    // A 32-bit client's frames carry no 16:16 address.
    Channel capture(kDriver32, VIDEO_IN);
    StreamClient client(capture, 1);
    ASSERT_EQ(client.Init(), DV_ERR_OK);
    client.PrepareAndAddAll();
    ASSERT_EQ(client.Send(DVM_STREAM_RESET), DV_ERR_OK);
    ASSERT_EQ(client.Callbacks().size(), 2u);
    EXPECT_EQ(client.Callbacks()[1].parameter, reinterpret_cast<DWORD_PTR>(&client.Header(0)));
    EXPECT_EQ(client.Callbacks()[1].parameter2, 0u);
}

TEST_F(CaptureTest, ASixteenBitStreamOnTheExternalChannelLeavesNoBlock) {
    Plug("minimal", "M");
    Channel capture(kDriver16, VIDEO_IN);
    Channel external(kDriver16, VIDEO_EXTERNALIN);
    ASSERT_TRUE(capture.IsOpen() && external.IsOpen());
    KMXWIN_WOW_USAGE before = Usage();
    StreamClient outside(external, 1);
    EXPECT_EQ(outside.Init(), DV_ERR_OK);
    EXPECT_EQ(Usage().blocks, before.blocks);
    EXPECT_EQ(Usage().fixes, before.fixes);
    EXPECT_EQ(outside.Send(DVM_STREAM_FINI), DV_ERR_OK);
}

}  // namespace
