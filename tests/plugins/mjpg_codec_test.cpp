// The MJPG codec through the compression manager, as a Video for Windows
// player uses it: a camera frame decodes to the picture the frame pipeline
// makes of it, in every layout the codec offers; formats it does not make
// are refused; damaged frames give an error and leave the codec working.
#include <windows.h>
#include <vfw.h>

#include <gtest/gtest.h>
#include <kmx512u/kmxmjpg.h>
#include <kmxwin/driver_registry.h>

#include "frame_synthesis.h"
#include "mjpeg_encoder.h"
#include "processing/client_formats.h"
#include "processing/frame_decoding.h"
#include "processing/plugin_module.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr DWORD kMjpg = mmioFOURCC('M', 'J', 'P', 'G');

// A frame as the simulated camera sends it: no Huffman tables of its own.
std::vector<BYTE> CameraFrame(int width, int height) {
    kmxcam::YuvFrame yuv;
    kmxcam::SynthesizeFrame(width, height, 7, {}, yuv);
    kmxcam::MjpegEncoder encoder;
    std::vector<BYTE> jpeg;
    EXPECT_TRUE(encoder.Encode(yuv, false, jpeg));
    return jpeg;
}

// The frame's format as the camera's format list describes "MJPG".
BITMAPINFOHEADER MjpgFormat(LONG width, LONG height, size_t length) {
    BITMAPINFOHEADER format{};
    format.biSize = sizeof format;
    format.biWidth = width;
    format.biHeight = height;
    format.biPlanes = 1;
    format.biBitCount = 16;
    format.biCompression = kMjpg;
    format.biSizeImage = DWORD(length);
    return format;
}

std::string Narrow(const WCHAR* text) {
    std::string narrow;
    for (; *text; ++text) narrow += char(*text);
    return narrow;
}

class MjpgCodec : public testing::Test {
  protected:
    void SetUp() override {
        std::string path = std::string(KMXWIN_DRIVERS_KEY) + "\\" + KMXWIN_DRIVERS32_SECTION;
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key, KMXMJPG_CODEC_ALIAS, 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(KMXMJPG_CODEC_MODULE),
                                 sizeof KMXMJPG_CODEC_MODULE),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    void TearDown() override {
        if (hic_) {
            EXPECT_EQ(ICClose(hic_), ICERR_OK);
        }
    }

    // The frame as the frame pipeline decodes it for a 24-bit RGB client:
    // bottom-up rows of B, G, R, not padded.
    static std::vector<BYTE> PipelinePicture(const std::vector<BYTE>& frame, int width,
                                             int height) {
        kmxtest::PluginModule codec(kmx::kCodecLibrary);
        std::vector<BYTE> picture(size_t(width) * height * 3);
        EXPECT_EQ(kmx::DecodeCameraFrame(codec.Entry<PEGASUS_ENTRY>("Pegasus"),
                                         codec.Entry<PEGASUS_QUERY_ENTRY>("PegasusQuery"),
                                         frame.data(), DWORD(frame.size()), 24, kmx::kFourccRgb, 0,
                                         picture.data(), DWORD(picture.size())),
                  0);
        return picture;
    }

    LRESULT Decompress(const BITMAPINFOHEADER& in, const std::vector<BYTE>& frame,
                       const BITMAPINFOHEADER& out, std::vector<BYTE>& image, DWORD flags = 0) {
        return LRESULT(LONG(ICDecompress(hic_, flags, const_cast<BITMAPINFOHEADER*>(&in),
                                         const_cast<BYTE*>(frame.data()),
                                         const_cast<BITMAPINFOHEADER*>(&out), image.data())));
    }

    HIC hic_ = nullptr;
};

TEST_F(MjpgCodec, DecodesACameraFrameAsTheFramePipelineDoes) {
    // The second width makes rows that a DIB pads to 4 bytes.
    for (auto [width, height] : {std::pair{320, 240}, {174, 144}}) {
        SCOPED_TRACE(testing::Message() << width << "x" << height);
        std::vector<BYTE> frame = CameraFrame(width, height);
        BITMAPINFOHEADER in = MjpgFormat(width, height, frame.size());
        // As the Video Format dialog asks: a decompressor, no compressor.
        EXPECT_EQ(ICLocate(ICTYPE_VIDEO, 0, &in, nullptr, ICMODE_COMPRESS), nullptr);
        hic_ = ICLocate(ICTYPE_VIDEO, 0, &in, nullptr, ICMODE_DECOMPRESS);
        ASSERT_NE(hic_, nullptr);

        BITMAPINFOHEADER out{};
        EXPECT_EQ(ICDecompressGetFormatSize(hic_, &in), LONG(sizeof out));
        ASSERT_EQ(ICDecompressGetFormat(hic_, &in, &out), ICERR_OK);
        size_t row = size_t(width) * 3, stride = (row + 3) & ~size_t(3);
        EXPECT_EQ(out.biBitCount, 24);
        EXPECT_EQ(out.biCompression, DWORD(BI_RGB));
        EXPECT_EQ(out.biHeight, height);
        EXPECT_EQ(out.biSizeImage, stride * height);
        ASSERT_EQ(ICDecompressBegin(hic_, &in, &out), ICERR_OK);
        std::vector<BYTE> image(out.biSizeImage);
        ASSERT_EQ(Decompress(in, frame, out, image), ICERR_OK);

        const std::vector<BYTE> expected = PipelinePicture(frame, width, height);
        for (int y = 0; y < height; ++y)
            ASSERT_EQ(std::memcmp(&image[y * stride], &expected[y * row], row), 0) << "row " << y;

        // Top-down 24 bits: the same rows the other way round.
        BITMAPINFOHEADER top_down = out;
        top_down.biHeight = -height;
        ASSERT_EQ(Decompress(in, frame, top_down, image), ICERR_OK);
        for (int y = 0; y < height; ++y)
            ASSERT_EQ(std::memcmp(&image[y * stride], &expected[(height - 1 - y) * row], row), 0)
                << "row " << y;

        // 32 bits: B, G, R and a byte left over per pixel.
        BITMAPINFOHEADER wide = out;
        wide.biBitCount = 32;
        wide.biSizeImage = 0;
        std::vector<BYTE> pixels(size_t(width) * height * 4);
        ASSERT_EQ(ICDecompressQuery(hic_, &in, &wide), ICERR_OK);
        ASSERT_EQ(Decompress(in, frame, wide, pixels), ICERR_OK);
        for (size_t p = 0; p < size_t(width) * height; ++p)
            ASSERT_EQ(std::memcmp(&pixels[p * 4], &expected[p * 3], 3), 0) << "pixel " << p;

        EXPECT_EQ(ICDecompressEnd(hic_), ICERR_OK);
        EXPECT_EQ(ICClose(hic_), ICERR_OK);
        hic_ = nullptr;
    }
}

TEST_F(MjpgCodec, DescribesItselfAndRefusesWhatItDoesNotMake) {
    EXPECT_EQ(ICOpen(ICTYPE_VIDEO, kMjpg, ICMODE_COMPRESS), nullptr);
    EXPECT_EQ(ICOpen(ICTYPE_VIDEO, kMjpg, ICMODE_DRAW), nullptr);
    hic_ = ICOpen(ICTYPE_VIDEO, kMjpg, ICMODE_DECOMPRESS);
    ASSERT_NE(hic_, nullptr);
    ICINFO info{};
    ASSERT_EQ(ICGetInfo(hic_, &info, sizeof info), LRESULT(sizeof info));
    EXPECT_EQ(info.fccHandler, kMjpg);
    EXPECT_EQ(Narrow(info.szDescription), KMXMJPG_CODEC_DESCRIPTION);
    EXPECT_EQ(Narrow(info.szDriver), KMXMJPG_CODEC_MODULE);

    BITMAPINFOHEADER in = MjpgFormat(320, 240, 1000), out{};
    ASSERT_EQ(ICDecompressGetFormat(hic_, &in, &out), ICERR_OK);
    BITMAPINFOHEADER bad_in[] = {in, in, in, in};
    bad_in[0].biCompression = mmioFOURCC('Y', 'U', 'Y', '2');
    bad_in[1].biCompression = BI_RGB;
    bad_in[2].biHeight = -240;  // compressed images are never top-down
    bad_in[3].biWidth = 0;
    for (BITMAPINFOHEADER& wrong : bad_in) {
        EXPECT_EQ(ICDecompressQuery(hic_, &wrong, nullptr), ICERR_BADFORMAT);
        EXPECT_EQ(ICDecompressGetFormatSize(hic_, &wrong), ICERR_BADFORMAT);
    }
    BITMAPINFOHEADER bad_out[] = {out, out, out, out};
    bad_out[0].biBitCount = 16;
    bad_out[1].biCompression = kMjpg;
    bad_out[2].biWidth = 352;
    bad_out[3].biHeight = 288;
    for (BITMAPINFOHEADER& wrong : bad_out) {
        EXPECT_EQ(ICDecompressQuery(hic_, &in, &wrong), ICERR_BADFORMAT);
        EXPECT_EQ(ICDecompressBegin(hic_, &in, &wrong), ICERR_BADFORMAT);
    }
    // No frame before the sequence has begun.
    std::vector<BYTE> frame = CameraFrame(320, 240), image(out.biSizeImage);
    in.biSizeImage = DWORD(frame.size());
    EXPECT_EQ(Decompress(in, frame, out, image), ICERR_ERROR);
    EXPECT_EQ(ICSendMessage(hic_, ICM_COMPRESS_QUERY, 0, 0), ICERR_UNSUPPORTED);
}

TEST_F(MjpgCodec, DamagedFramesAreRefusedAndTheNextFrameDecodes) {
    std::vector<BYTE> frame = CameraFrame(160, 120);
    BITMAPINFOHEADER in = MjpgFormat(160, 120, frame.size());
    hic_ = ICLocate(ICTYPE_VIDEO, kMjpg, &in, nullptr, ICMODE_DECOMPRESS);
    ASSERT_NE(hic_, nullptr);
    BITMAPINFOHEADER out{};
    ASSERT_EQ(ICDecompressGetFormat(hic_, &in, &out), ICERR_OK);
    ASSERT_EQ(ICDecompressBegin(hic_, &in, &out), ICERR_OK);
    std::vector<BYTE> image(out.biSizeImage);

    struct Damage {
        const char* what;
        std::vector<BYTE> data;
        LRESULT answer;
    };
    std::vector<BYTE> noise(frame.size());
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = BYTE(i * 37 + 11);
    const Damage damages[] = {
        {"truncated", std::vector<BYTE>(frame.begin(), frame.begin() + frame.size() / 2),
         ICERR_ERROR},
        {"header only", std::vector<BYTE>(frame.begin(), frame.begin() + 200), ICERR_ERROR},
        {"no JPEG", noise, ICERR_ERROR},
        {"another size", CameraFrame(320, 240), ICERR_BADIMAGESIZE},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.what);
        BITMAPINFOHEADER cut = in;
        cut.biSizeImage = DWORD(damage.data.size());
        EXPECT_EQ(Decompress(cut, damage.data, out, image), damage.answer);
    }
    // A frame of unknown length, an output smaller than the picture.
    BITMAPINFOHEADER unknown = in, small = out;
    unknown.biSizeImage = 0;
    small.biSizeImage = out.biSizeImage - 1;
    EXPECT_EQ(Decompress(unknown, frame, out, image), ICERR_BADSIZE);
    EXPECT_EQ(Decompress(in, frame, small, image), ICERR_BADSIZE);

    EXPECT_EQ(Decompress(in, frame, out, image), ICERR_OK);
    EXPECT_EQ(image, PipelinePicture(frame, 160, 120));
}

}  // namespace
