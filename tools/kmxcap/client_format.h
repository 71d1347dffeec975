// The client formats kmxcap asks the capture driver for, by the names its
// users give them (rgb24, rgb16, yuy2, uyvy, mjpg, kmxx), as the
// BITMAPINFOHEADER that DVM_FORMAT carries.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace kmxcap {

enum class FormatKind { Rgb24, Rgb16, Yuy2, Uyvy, Mjpg, Kmxx };

inline constexpr FormatKind kFormatKinds[] = {FormatKind::Rgb24, FormatKind::Rgb16,
                                              FormatKind::Yuy2,  FormatKind::Uyvy,
                                              FormatKind::Mjpg,  FormatKind::Kmxx};

const char* KindName(FormatKind kind);
// The kind of NAME; a usage error for an unknown name.
FormatKind ParseKind(const std::string& name);
// The kind a header describes, or nullopt for one kmxcap does not know.
std::optional<FormatKind> KindOf(const BITMAPINFOHEADER& header);
// Whether frames of KIND are pixels rather than a compressed stream.
bool Uncompressed(FormatKind kind);

// The header of a WIDTH x HEIGHT frame of KIND with BITS bits a pixel, its
// image size by the driver's rule.
BITMAPINFOHEADER FormatHeader(FormatKind kind, LONG width, LONG height, WORD bits);
// The bit counts a camera may use for KIND, the likeliest first.
std::initializer_list<WORD> CandidateBits(FormatKind kind);

struct FrameSize {
    LONG width, height;
};
// "WxH"; a usage error otherwise.
FrameSize ParseSize(const std::string& text);

// "rgb24 640x480" of a header.
std::string Describe(const BITMAPINFOHEADER& header);

}  // namespace kmxcap
