// The formats the MJPG codec takes and makes: "MJPG" frames in, Windows
// DIBs of 24- or 32-bit RGB out, at the frame's own size.
#pragma once

#include <windows.h>
#include <vfw.h>

#include <cstdint>

namespace kmxmjpg {

inline constexpr DWORD kFourccMjpg = mmioFOURCC('M', 'J', 'P', 'G');

// Whether two FourCCs are the same, ASCII letters compared without case.
bool SameFourcc(DWORD a, DWORD b);

// ICM_DECOMPRESS_QUERY's answer: ICERR_OK when IN is "MJPG" of a size a
// JPEG image can have and OUT is null or an output the codec makes from it.
LRESULT QueryFormats(const BITMAPINFOHEADER* in, const BITMAPINFOHEADER* out);

// The output the codec makes when asked for none: bottom-up 24-bit RGB of
// IN's size.
BITMAPINFOHEADER DefaultOutput(const BITMAPINFOHEADER& in);

// The bytes of a DIB image of OUT's format: its rows padded to 4 bytes.
uint64_t DibImageSize(const BITMAPINFOHEADER& out);

}  // namespace kmxmjpg
