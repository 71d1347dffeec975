#include "allocation_counter.h"

#include <cstdlib>
#include <new>

namespace {
thread_local size_t allocations = 0;

void* Allocate(size_t size) noexcept {
    ++allocations;
    return std::malloc(size ? size : 1);
}
}  // namespace

namespace kmxtest {
size_t AllocationCount() {
    return allocations;
}
}  // namespace kmxtest

// Every form a program may call: one left to the runtime would pair its own
// allocation with our free.
void* operator new(size_t size) {
    if (void* block = Allocate(size)) return block;
    throw std::bad_alloc();
}
void* operator new[](size_t size) {
    if (void* block = Allocate(size)) return block;
    throw std::bad_alloc();
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}

void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block, size_t) noexcept {
    std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
