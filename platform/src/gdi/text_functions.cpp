// Fonts and text: creating fonts, their metrics and names, measuring and
// drawing strings. Narrow strings are in the ANSI code page.
#include "gdi/font.h"
#include "gdi/text_output.h"
#include "text/ansi_code_page.h"

#include <algorithm>
#include <cstring>

using namespace kmxwin::gdi;
using kmxwin::text::AnsiToUtf16;

namespace {

std::u16string_view WideText(LPCWSTR text, int count) {
    return text && count > 0 ? std::u16string_view(text, count) : std::u16string_view();
}

std::u16string AnsiText(LPCSTR text, int count) {
    return text && count > 0 ? AnsiToUtf16(std::string_view(text, count)) : std::u16string();
}

template <class F>
BOOL WithFont(HDC hdc, F use) {
    auto lock = LockGdi();
    Dc* dc = LookupDc(hdc);
    if (!dc) return FALSE;
    return use(*dc, SelectedFont(*dc));
}

BOOL TextExtent(HDC hdc, std::u16string_view text, int count, LPSIZE psizl) {
    if (count < 0 || !psizl) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return WithFont(hdc, [&](Dc&, RealizedFont& font) {
        *psizl = {TextWidth(font, text), font.metrics.tmHeight};
        return TRUE;
    });
}

BOOL ExtTextOutText(HDC hdc, int x, int y, UINT options, const RECT* lprect,
                    std::u16string_view text, const INT* lpDx) {
    auto lock = LockGdi();
    Dc* dc = LookupDc(hdc);
    if (!dc) return FALSE;
    OutputText(*dc, x, y, options, lprect, text, lpDx);
    return TRUE;
}

}  // namespace

extern "C" {

HFONT WINAPI CreateFontIndirectW(const LOGFONTW* lplf) {
    if (!lplf) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    LOGFONTW font = *lplf;
    font.lfFaceName[LF_FACESIZE - 1] = 0;
    auto lock = LockGdi();
    return static_cast<HFONT>(InsertObject(std::make_unique<Font>(font)));
}

HFONT WINAPI CreateFontIndirectA(const LOGFONTA* lplf) {
    if (!lplf) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    LOGFONTW font;
    std::memcpy(&font, lplf, offsetof(LOGFONTA, lfFaceName));
    std::u16string face =
        AnsiToUtf16(std::string_view(lplf->lfFaceName, strnlen(lplf->lfFaceName, LF_FACESIZE - 1)));
    std::memset(font.lfFaceName, 0, sizeof font.lfFaceName);
    std::copy(face.begin(), face.end(), font.lfFaceName);
    return CreateFontIndirectW(&font);
}

HFONT WINAPI CreateFontW(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight,
                         DWORD bItalic, DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet,
                         DWORD iOutPrecision, DWORD iClipPrecision, DWORD iQuality,
                         DWORD iPitchAndFamily, LPCWSTR pszFaceName) {
    LOGFONTW font = {cHeight,
                     cWidth,
                     cEscapement,
                     cOrientation,
                     cWeight,
                     static_cast<BYTE>(bItalic),
                     static_cast<BYTE>(bUnderline),
                     static_cast<BYTE>(bStrikeOut),
                     static_cast<BYTE>(iCharSet),
                     static_cast<BYTE>(iOutPrecision),
                     static_cast<BYTE>(iClipPrecision),
                     static_cast<BYTE>(iQuality),
                     static_cast<BYTE>(iPitchAndFamily),
                     {}};
    for (int i = 0; pszFaceName && pszFaceName[i] && i < LF_FACESIZE - 1; ++i)
        font.lfFaceName[i] = pszFaceName[i];
    return CreateFontIndirectW(&font);
}

HFONT WINAPI CreateFontA(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight,
                         DWORD bItalic, DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet,
                         DWORD iOutPrecision, DWORD iClipPrecision, DWORD iQuality,
                         DWORD iPitchAndFamily, LPCSTR pszFaceName) {
    std::u16string face =
        pszFaceName ? AnsiToUtf16(std::string_view(pszFaceName, strnlen(pszFaceName, LF_FACESIZE)))
                    : std::u16string();
    return CreateFontW(cHeight, cWidth, cEscapement, cOrientation, cWeight, bItalic, bUnderline,
                       bStrikeOut, iCharSet, iOutPrecision, iClipPrecision, iQuality,
                       iPitchAndFamily, pszFaceName ? face.c_str() : nullptr);
}

BOOL WINAPI GetTextMetricsW(HDC hdc, LPTEXTMETRICW lptm) {
    if (!lptm) return FALSE;
    return WithFont(hdc, [&](Dc&, RealizedFont& font) {
        *lptm = font.metrics;
        return TRUE;
    });
}

BOOL WINAPI GetTextMetricsA(HDC hdc, LPTEXTMETRICA lptm) {
    TEXTMETRICW wide;
    if (!lptm || !GetTextMetricsW(hdc, &wide)) return FALSE;
    std::memcpy(lptm, &wide, offsetof(TEXTMETRICA, tmFirstChar));
    lptm->tmFirstChar = 0x20;
    lptm->tmLastChar = 0xFF;
    lptm->tmDefaultChar = 0x1F;
    lptm->tmBreakChar = 0x20;
    lptm->tmItalic = wide.tmItalic;
    lptm->tmUnderlined = wide.tmUnderlined;
    lptm->tmStruckOut = wide.tmStruckOut;
    lptm->tmPitchAndFamily = wide.tmPitchAndFamily;
    lptm->tmCharSet = wide.tmCharSet;
    return TRUE;
}

int WINAPI GetTextFaceW(HDC hdc, int c, LPWSTR lpName) {
    auto lock = LockGdi();
    Dc* dc = LookupDc(hdc);
    if (!dc) return 0;
    const std::u16string& face = SelectedFont(*dc).face;
    if (!lpName) return static_cast<int>(face.size()) + 1;
    if (c <= 0) return 0;
    int copied = std::min(c - 1, static_cast<int>(face.size()));
    std::copy_n(face.begin(), copied, lpName);
    lpName[copied] = 0;
    return copied + 1;
}

int WINAPI GetTextFaceA(HDC hdc, int c, LPSTR lpName) {
    WCHAR face[LF_FACESIZE];
    int length = GetTextFaceW(hdc, LF_FACESIZE, face);
    if (length == 0) return 0;
    std::string ansi = kmxwin::text::Utf16ToAnsi(std::u16string_view(face, length - 1));
    if (!lpName) return static_cast<int>(ansi.size()) + 1;
    if (c <= 0) return 0;
    int copied = std::min(c - 1, static_cast<int>(ansi.size()));
    std::memcpy(lpName, ansi.data(), copied);
    lpName[copied] = 0;
    return copied + 1;
}

BOOL WINAPI GetTextExtentPoint32W(HDC hdc, LPCWSTR lpString, int c, LPSIZE psizl) {
    return TextExtent(hdc, WideText(lpString, c), c, psizl);
}

BOOL WINAPI GetTextExtentPoint32A(HDC hdc, LPCSTR lpString, int c, LPSIZE psizl) {
    return TextExtent(hdc, AnsiText(lpString, c), c, psizl);
}

UINT WINAPI SetTextAlign(HDC hdc, UINT align) {
    auto lock = LockGdi();
    Dc* dc = LookupDc(hdc);
    if (!dc) return GDI_ERROR;
    UINT previous = dc->state.text_align;
    dc->state.text_align = align;
    return previous;
}

UINT WINAPI GetTextAlign(HDC hdc) {
    auto lock = LockGdi();
    Dc* dc = LookupDc(hdc);
    return dc ? dc->state.text_align : GDI_ERROR;
}

BOOL WINAPI ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* lprect, LPCWSTR lpString,
                        UINT c, const INT* lpDx) {
    if (!lpString && c > 0) return FALSE;
    return ExtTextOutText(hdc, x, y, options, lprect, WideText(lpString, static_cast<int>(c)),
                          lpDx);
}

BOOL WINAPI ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* lprect, LPCSTR lpString,
                        UINT c, const INT* lpDx) {
    if (!lpString && c > 0) return FALSE;
    return ExtTextOutText(hdc, x, y, options, lprect, AnsiText(lpString, static_cast<int>(c)),
                          lpDx);
}

BOOL WINAPI TextOutW(HDC hdc, int x, int y, LPCWSTR lpString, int c) {
    if (c < 0 || (!lpString && c > 0)) return FALSE;
    return ExtTextOutW(hdc, x, y, 0, nullptr, lpString, c, nullptr);
}

BOOL WINAPI TextOutA(HDC hdc, int x, int y, LPCSTR lpString, int c) {
    if (c < 0 || (!lpString && c > 0)) return FALSE;
    return ExtTextOutA(hdc, x, y, 0, nullptr, lpString, c, nullptr);
}

}  // extern "C"
