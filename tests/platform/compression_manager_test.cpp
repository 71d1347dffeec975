// The video compression manager: codecs registered as "vidc.FOURCC" under
// Drivers32, opened, asked and closed through ICOpen, ICSendMessage and
// ICClose; ICInfo's enumeration, ICGetInfo, ICLocate's search and
// ICDecompress.
#include <windows.h>
#include <vfw.h>

#include <gtest/gtest.h>
#include <kmxwin/driver_registry.h>

#include <string>
#include <vector>

#include "module_test_support.h"

namespace {

using kmxtest::SetDriverValue;
using kmxtest::TakeDriverMessages;

constexpr DWORD kAaaa = mmioFOURCC('A', 'A', 'A', 'A');
constexpr DWORD kBbbb = mmioFOURCC('B', 'B', 'B', 'B');

std::string Narrow(const WCHAR* text) {
    std::string narrow;
    for (; *text; ++text) narrow += char(*text);
    return narrow;
}

BITMAPINFOHEADER Header(DWORD compression, WORD bits) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = 4;
    header.biHeight = 2;
    header.biPlanes = 1;
    header.biBitCount = bits;
    header.biCompression = compression;
    header.biSizeImage = 8;
    return header;
}

class CompressionManager : public kmxtest::ModuleTest {
  protected:
    void SetUp() override {
        ModuleTest::SetUp();
        SetDriverValue(KMXWIN_DRIVERS32_SECTION, "msvideo", "kmxtest_driver.dll");
        SetDriverValue(KMXWIN_DRIVERS32_SECTION, "vidc.AAAA", "kmxtest_codec_a.dll");
        SetDriverValue(KMXWIN_DRIVERS32_SECTION, "vidc.BBBB", "kmxtest_codec_b.dll");
        SetDriverValue(KMXWIN_DRIVERS32_SECTION, "audc.CCCC", "kmxtest_codec_b.dll");
    }
};

TEST_F(CompressionManager, OpensRegisteredCodecsOnlyAndClosesThem) {
    // The type 'VIDC' is 'vidc', and handlers match in any case.
    HIC hic =
        ICOpen(mmioFOURCC('V', 'I', 'D', 'C'), mmioFOURCC('a', 'a', 'a', 'a'), ICMODE_DECOMPRESS);
    ASSERT_NE(hic, nullptr);
    EXPECT_EQ(TakeDriverMessages(),
              std::vector<std::string>{"kmxtest_codec_a open vidc aaaa 0x104 2"});
    BITMAPINFOHEADER in = Header(kAaaa, 24);
    EXPECT_EQ(ICDecompressQuery(hic, &in, nullptr), ICERR_OK);
    EXPECT_EQ(ICClose(hic), ICERR_OK);
    EXPECT_EQ(TakeDriverMessages(), std::vector<std::string>{"kmxtest_codec_a close 1"});
    EXPECT_EQ(GetModuleHandleA("kmxtest_codec_a"), nullptr);

    // A closed handle is no handle.
    EXPECT_EQ(ICSendMessage(hic, ICM_DECOMPRESS_QUERY, 0, 0), ICERR_BADHANDLE);
    EXPECT_EQ(ICClose(hic), ICERR_BADHANDLE);
    ICINFO info{};
    EXPECT_EQ(ICGetInfo(hic, &info, sizeof info), 0);

    // Unregistered handlers open nothing, and a codec may refuse a mode.
    EXPECT_EQ(ICOpen(ICTYPE_VIDEO, mmioFOURCC('Z', 'Z', 'Z', 'Z'), ICMODE_DECOMPRESS), nullptr);
    EXPECT_EQ(ICOpen(ICTYPE_VIDEO, 0, ICMODE_DECOMPRESS), nullptr);
    EXPECT_EQ(ICOpen(ICTYPE_VIDEO, kBbbb, ICMODE_COMPRESS), nullptr);
    EXPECT_EQ(TakeDriverMessages(),
              std::vector<std::string>{"kmxtest_codec_b open vidc BBBB 0x104 1"});
    EXPECT_EQ(GetModuleHandleA("kmxtest_driver"), nullptr);
}

TEST_F(CompressionManager, InfoEnumeratesTheRegistryWithoutOpening) {
    std::vector<std::string> listed;
    ICINFO info{};
    for (DWORD i = 0; ICInfo(ICTYPE_VIDEO, i, &info); ++i) {
        EXPECT_EQ(info.dwSize, sizeof info);
        EXPECT_EQ(info.fccType, ICTYPE_VIDEO);
        listed.push_back(std::string(reinterpret_cast<const char*>(&info.fccHandler), 4) + " " +
                         Narrow(info.szDriver));
    }
    EXPECT_EQ(listed,
              (std::vector<std::string>{"AAAA kmxtest_codec_a.dll", "BBBB kmxtest_codec_b.dll"}));
    // By handler, in any case; type 0 takes every type.
    ASSERT_TRUE(ICInfo(ICTYPE_VIDEO, mmioFOURCC('b', 'b', 'b', 'b'), &info));
    EXPECT_EQ(info.fccHandler, kBbbb);
    ASSERT_TRUE(ICInfo(0, 0, &info));
    EXPECT_EQ(info.fccType, ICTYPE_AUDIO);
    EXPECT_FALSE(ICInfo(ICTYPE_VIDEO, mmioFOURCC('Z', 'Z', 'Z', 'Z'), &info));
    EXPECT_FALSE(ICInfo(ICTYPE_VIDEO, 0, nullptr));
    EXPECT_TRUE(TakeDriverMessages().empty());
}

TEST_F(CompressionManager, GetInfoNamesTheModuleTheCodecLeavesOut) {
    HIC hic = ICOpen(ICTYPE_VIDEO, kBbbb, ICMODE_QUERY);
    ASSERT_NE(hic, nullptr);
    ICINFO info{};
    EXPECT_EQ(ICGetInfo(hic, &info, sizeof info), LRESULT(sizeof info));
    EXPECT_EQ(Narrow(info.szName), "kmxtest_codec_b");
    EXPECT_EQ(Narrow(info.szDriver), "kmxtest_codec_b.dll");
    EXPECT_EQ(info.dwFlags, DWORD(VIDCF_QUALITY));
    // A buffer the codec finds too small gets nothing.
    EXPECT_EQ(ICGetInfo(hic, &info, sizeof info - 1), 0);
    EXPECT_EQ(ICClose(hic), ICERR_OK);
}

TEST_F(CompressionManager, LocateOpensTheFirstCodecThatTakesTheFormats) {
    BITMAPINFOHEADER in = Header(kBbbb, 16);
    HIC hic = ICLocate(ICTYPE_VIDEO, 0, &in, nullptr, ICMODE_DECOMPRESS);
    ASSERT_NE(hic, nullptr);
    // The codec that refused is closed again.
    EXPECT_EQ(TakeDriverMessages(),
              (std::vector<std::string>{"kmxtest_codec_a open vidc AAAA 0x104 2",
                                        "kmxtest_codec_a close 1",
                                        "kmxtest_codec_b open vidc BBBB 0x104 2"}));
    ICINFO info{};
    ASSERT_NE(ICGetInfo(hic, &info, sizeof info), 0);
    EXPECT_EQ(info.fccHandler, kBbbb);
    EXPECT_EQ(ICClose(hic), ICERR_OK);
    TakeDriverMessages();

    // The preferred handler is asked first.
    hic = ICLocate(ICTYPE_VIDEO, kBbbb, &in, nullptr, ICMODE_FASTDECOMPRESS);
    ASSERT_NE(hic, nullptr);
    EXPECT_EQ(TakeDriverMessages(),
              std::vector<std::string>{"kmxtest_codec_b open vidc BBBB 0x104 3"});
    EXPECT_EQ(ICClose(hic), ICERR_OK);

    // An output format nobody makes, a compressor nobody offers, an unknown
    // mode: nothing found, nothing left open.
    BITMAPINFOHEADER out = Header(BI_RGB, 24);
    EXPECT_EQ(ICLocate(ICTYPE_VIDEO, 0, &in, &out, ICMODE_DECOMPRESS), nullptr);
    EXPECT_EQ(ICLocate(ICTYPE_VIDEO, 0, &in, nullptr, ICMODE_COMPRESS), nullptr);
    EXPECT_EQ(ICLocate(ICTYPE_VIDEO, 0, &in, nullptr, ICMODE_QUERY), nullptr);
    EXPECT_EQ(GetModuleHandleA("kmxtest_codec_a"), nullptr);
    EXPECT_EQ(GetModuleHandleA("kmxtest_codec_b"), nullptr);
}

TEST_F(CompressionManager, DecompressHandsTheCodecItsRecord) {
    HIC hic = ICOpen(ICTYPE_VIDEO, kAaaa, ICMODE_DECOMPRESS);
    ASSERT_NE(hic, nullptr);
    BITMAPINFOHEADER in = Header(kAaaa, 16), out = Header(BI_RGB, 8);
    BYTE source[8] = {0, 1, 2, 3, 4, 5, 6, 7}, image[8] = {};
    EXPECT_EQ(ICDecompress(hic, 0, &in, source, &out, image), DWORD(ICERR_OK));
    EXPECT_EQ(std::vector<BYTE>(image, image + 8), (std::vector<BYTE>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(ICDecompress(hic, 0, &out, source, &out, image), DWORD(ICERR_BADFORMAT));
    EXPECT_EQ(ICClose(hic), ICERR_OK);
    EXPECT_EQ(ICDecompress(hic, 0, &in, source, &out, image), DWORD(ICERR_BADHANDLE));
}

}  // namespace
