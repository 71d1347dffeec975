// Pixels and raster operations. Surfaces hold 0x00RRGGBB words (cairo's
// RGB24); COLORREF is 0x00BBGGRR. Raster operations work bit by bit on the
// 24 colour bits, with the truth tables Windows encodes in its codes.
#pragma once

#include <windows.h>

#include <cstdint>

namespace kmxwin::gdi {

inline uint32_t ToPixel(COLORREF color) {
    return ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
}

inline COLORREF ToColorRef(uint32_t pixel) {
    return ((pixel & 0xFF) << 16) | (pixel & 0xFF00) | ((pixel >> 16) & 0xFF);
}

// A binary raster operation (R2_*) of pen P on destination D: the code less
// one is the truth table indexed by P * 2 + D.
inline uint32_t ApplyRop2(int rop2, uint32_t p, uint32_t d) {
    unsigned table = static_cast<unsigned>(rop2 - 1);
    uint32_t out = 0;
    if (table & 1) out |= ~p & ~d;
    if (table & 2) out |= ~p & d;
    if (table & 4) out |= p & ~d;
    if (table & 8) out |= p & d;
    return out & 0xFFFFFF;
}

// A ternary raster operation: bits 16..23 of ROP are the truth table indexed
// by P * 4 + S * 2 + D.
inline uint32_t ApplyRop3(DWORD rop, uint32_t p, uint32_t s, uint32_t d) {
    unsigned table = (rop >> 16) & 0xFF;
    uint32_t out = 0;
    for (unsigned i = 0; i < 8; ++i) {
        if (!(table & (1u << i))) continue;
        out |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    }
    return out & 0xFFFFFF;
}

inline bool RopUsesSource(DWORD rop) {
    unsigned table = (rop >> 16) & 0xFF;
    return (((table >> 2) ^ table) & 0x33) != 0;
}

inline bool RopUsesPattern(DWORD rop) {
    unsigned table = (rop >> 16) & 0xFF;
    return (((table >> 4) ^ table) & 0x0F) != 0;
}

// The R2_* code of a ternary operation that does not use the source.
inline int Rop3ToRop2(DWORD rop) {
    unsigned table = (rop >> 16) & 0xFF;
    unsigned rop2 = (table & 0x03) | ((table >> 2) & 0x0C);
    return static_cast<int>(rop2) + 1;
}

// A colour and the binary raster operation it is put down with.
struct Paint {
    uint32_t pixel = 0;
    int rop2 = R2_COPYPEN;
    uint32_t Apply(uint32_t destination) const {
        return rop2 == R2_COPYPEN ? pixel : ApplyRop2(rop2, pixel, destination);
    }
};

}  // namespace kmxwin::gdi
