#include "wow/address_space.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

namespace kmxwin::wow {
namespace {

// A local descriptor table has 8192 entries; entry 0 is never handed out,
// so no selector is 0 and no 16:16 address of a block is the null pointer.
constexpr DWORD kEntries = 8192;
constexpr DWORD kTileBytes = 0x10000;

struct Block {
    BYTE* flat;
    DWORD size;
    BlockOwner owner;
    DWORD first;  // the entry of the first selector
    DWORD tiles;
    DWORD fixes = 0;
};

struct Space {
    std::mutex lock;
    // Per entry: the block whose tile it is, or null.
    std::vector<Block*> entries = std::vector<Block*>(kEntries, nullptr);
    std::vector<std::unique_ptr<Block>> blocks;
    DWORD selectors = 0;
    DWORD fixes = 0;
};

Space& TheSpace() {
    static Space* space = new Space;  // outlives every module's exit code
    return *space;
}

// As 16-bit protected-mode code sees them: table indicator set, privilege 3.
WORD SelectorOf(DWORD entry) {
    return static_cast<WORD>(entry << 3 | 7);
}

// The entry a selector names, or 0 for a selector that names none.
DWORD EntryOf(WORD selector) {
    if ((selector & 7) != 7) return 0;
    return selector >> 3;
}

// The first of TILES consecutive free entries, lowest first, so that freed
// selectors are taken again; 0 when there is none. Under the lock.
DWORD FindFreeRun(const Space& space, DWORD tiles) {
    DWORD run = 0;
    for (DWORD entry = 1; entry < kEntries; ++entry) {
        run = space.entries[entry] ? 0 : run + 1;
        if (run == tiles) return entry - tiles + 1;
    }
    return 0;
}

}  // namespace

VPVOID MapBlock(void* flat, DWORD size, BlockOwner owner) {
    if (!flat) return 0;
    DWORD tiles = size ? (size - 1) / kTileBytes + 1 : 1;
    Space& space = TheSpace();
    std::lock_guard guard(space.lock);
    DWORD first = FindFreeRun(space, tiles);
    if (!first) return 0;
    auto block =
        std::make_unique<Block>(Block{static_cast<BYTE*>(flat), size, owner, first, tiles});
    std::fill_n(space.entries.begin() + first, tiles, block.get());
    space.blocks.push_back(std::move(block));
    space.selectors += tiles;
    return static_cast<VPVOID>(SelectorOf(first)) << 16;
}

void* UnmapBlock(VPVOID vp, BlockOwner owner, bool* found) {
    *found = false;
    DWORD entry = EntryOf(HIWORD(vp));
    Space& space = TheSpace();
    std::lock_guard guard(space.lock);
    Block* block = entry ? space.entries[entry] : nullptr;
    if (!block || block->first != entry || LOWORD(vp) != 0 || block->owner != owner) return nullptr;
    *found = true;
    std::fill_n(space.entries.begin() + block->first, block->tiles, nullptr);
    space.selectors -= block->tiles;
    space.fixes -= block->fixes;
    void* flat = owner == BlockOwner::kSpace ? block->flat : nullptr;
    std::erase_if(space.blocks, [block](const auto& held) { return held.get() == block; });
    return flat;
}

void* Translate(VPVOID vp, DWORD size, bool fix) {
    DWORD entry = EntryOf(HIWORD(vp));
    if (!entry) return nullptr;
    Space& space = TheSpace();
    std::lock_guard guard(space.lock);
    Block* block = space.entries[entry];
    if (!block) return nullptr;
    // The selector of tile N starts N * 64 KB into its block and reaches to
    // the block's end.
    DWORD start = (entry - block->first) * kTileBytes + LOWORD(vp);
    if (start > block->size || size > block->size - start) return nullptr;
    if (fix) {
        ++block->fixes;
        ++space.fixes;
    }
    return block->flat + start;
}

void Unfix(VPVOID vp) {
    DWORD entry = EntryOf(HIWORD(vp));
    if (!entry) return;
    Space& space = TheSpace();
    std::lock_guard guard(space.lock);
    Block* block = space.entries[entry];
    if (!block || block->fixes == 0) return;
    --block->fixes;
    --space.fixes;
}

KMXWIN_WOW_USAGE Usage() {
    Space& space = TheSpace();
    std::lock_guard guard(space.lock);
    return {static_cast<DWORD>(space.blocks.size()), space.selectors, space.fixes};
}

}  // namespace kmxwin::wow
