// The process's simulated 16-bit address space: blocks of flat memory, each
// reached through one selector per 64 KB tile, with the fix count of each
// block. All of it under one lock, so that any thread may translate.
#pragma once

#include <windows.h>

#include <kmxwin/wow_address_space.h>

#include <cstddef>

namespace kmxwin::wow {

// Whose memory a block is: allocated here (and freed here) or the caller's.
enum class BlockOwner { kSpace, kCaller };

// The 16:16 address of a new block over SIZE bytes at FLAT; 0 when no run
// of free selectors is long enough.
VPVOID MapBlock(void* flat, DWORD size, BlockOwner owner);
// Removes the block that starts at VP if OWNER owns it; its flat memory
// when the space owned it (for the caller to free), else null. FOUND tells
// whether there was such a block.
void* UnmapBlock(VPVOID vp, BlockOwner owner, bool* found);
// The flat address of SIZE bytes at VP, or null; FIX counts one fix of the
// block.
void* Translate(VPVOID vp, DWORD size, bool fix);
void Unfix(VPVOID vp);
KMXWIN_WOW_USAGE Usage();

}  // namespace kmxwin::wow
