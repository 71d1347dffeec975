#include "client_format.h"

#include <mmsystem.h>

#include "command_line.h"

namespace kmxcap {
namespace {

constexpr DWORD kMjpg = mmioFOURCC('M', 'J', 'P', 'G');
constexpr DWORD kKmxx = mmioFOURCC('K', 'M', 'X', 'X');
constexpr DWORD kYuy2 = mmioFOURCC('Y', 'U', 'Y', '2');
constexpr DWORD kUyvy = mmioFOURCC('U', 'Y', 'V', 'Y');

DWORD Compression(FormatKind kind) {
    switch (kind) {
        case FormatKind::Yuy2:
            return kYuy2;
        case FormatKind::Uyvy:
            return kUyvy;
        case FormatKind::Mjpg:
            return kMjpg;
        case FormatKind::Kmxx:
            return kKmxx;
        default:
            return BI_RGB;
    }
}

}  // namespace

const char* KindName(FormatKind kind) {
    switch (kind) {
        case FormatKind::Rgb24:
            return "rgb24";
        case FormatKind::Rgb16:
            return "rgb16";
        case FormatKind::Yuy2:
            return "yuy2";
        case FormatKind::Uyvy:
            return "uyvy";
        case FormatKind::Mjpg:
            return "mjpg";
        case FormatKind::Kmxx:
            return "kmxx";
    }
    return "?";
}

FormatKind ParseKind(const std::string& name) {
    for (FormatKind kind : kFormatKinds)
        if (name == KindName(kind)) return kind;
    throw kmxtool::UsageError("--format is one of rgb24, rgb16, yuy2, uyvy, mjpg, kmxx, not '" +
                              name + "'");
}

std::optional<FormatKind> KindOf(const BITMAPINFOHEADER& header) {
    for (FormatKind kind : kFormatKinds) {
        if (Compression(kind) != header.biCompression) continue;
        if (kind == FormatKind::Rgb24 && header.biBitCount != 24) continue;
        if (kind == FormatKind::Rgb16 && header.biBitCount != 16) continue;
        return kind;
    }
    return std::nullopt;
}

bool Uncompressed(FormatKind kind) {
    return kind != FormatKind::Mjpg && kind != FormatKind::Kmxx;
}

BITMAPINFOHEADER FormatHeader(FormatKind kind, LONG width, LONG height, WORD bits) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = bits;
    header.biCompression = Compression(kind);
    DWORD pixels = static_cast<DWORD>(width) * static_cast<DWORD>(height);
    if (kind == FormatKind::Mjpg)
        header.biSizeImage = 2 * pixels + 608;
    else if (kind == FormatKind::Kmxx)
        header.biSizeImage = pixels * bits / 8 + 1024;
    else
        header.biSizeImage = pixels * bits / 8;
    return header;
}

std::initializer_list<WORD> CandidateBits(FormatKind kind) {
    static constexpr std::initializer_list<WORD> kTrueColour = {24}, kPacked = {16}, kOwn = {16, 8};
    switch (kind) {
        case FormatKind::Rgb24:
        case FormatKind::Mjpg:
            return kTrueColour;
        case FormatKind::Kmxx:
            return kOwn;
        default:
            return kPacked;
    }
}

FrameSize ParseSize(const std::string& text) {
    size_t x = text.find('x');
    if (x == std::string::npos) throw kmxtool::UsageError("--size takes WIDTHxHEIGHT");
    auto width = kmxtool::ParseUnsigned(text.substr(0, x), "the width", 0x7FFF);
    auto height = kmxtool::ParseUnsigned(text.substr(x + 1), "the height", 0x7FFF);
    if (width == 0 || height == 0) throw kmxtool::UsageError("a frame size is at least 1x1");
    return {static_cast<LONG>(width), static_cast<LONG>(height)};
}

std::string Describe(const BITMAPINFOHEADER& header) {
    std::optional<FormatKind> kind = KindOf(header);
    std::string name = kind ? KindName(*kind) : "fourcc 0x" + std::to_string(header.biCompression);
    if (kind == FormatKind::Kmxx) name += "/" + std::to_string(header.biBitCount);
    return name + " " + std::to_string(header.biWidth) + "x" + std::to_string(header.biHeight);
}

}  // namespace kmxcap
