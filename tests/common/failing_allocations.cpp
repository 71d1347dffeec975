#include "common/failing_allocations.h"

#include <cstdlib>
#include <new>

namespace kmxtest {
namespace {

thread_local FailingAllocations* t_armed = nullptr;
thread_local size_t t_allocations = 0;

// Whether the calling thread's allocation of SIZE bytes is to fail.
bool FailsNow(size_t size) {
    FailingAllocations* armed = t_armed;
    return armed && armed->Picks(size);
}

void* Allocate(size_t size) noexcept {
    ++t_allocations;
    if (FailsNow(size)) return nullptr;
    return std::malloc(size ? size : 1);
}

}  // namespace

size_t AllocationCount() {
    return t_allocations;
}

bool FailingAllocations::Picks(size_t size) {
    ++seen_;
    bool fails = seen_ == pick_.nth || (pick_.size && size == pick_.size);
    failed_ = failed_ || fails;
    return fails;
}

FailingAllocations::FailingAllocations(Pick pick) : pick_(pick), outer_(t_armed) {
    t_armed = this;
}

FailingAllocations::~FailingAllocations() {
    t_armed = outer_;
}

bool FailingAllocations::Failed() const {
    return failed_;
}

}  // namespace kmxtest

// Every form a program may call: one left to the runtime would pair its own
// allocation with our free.
void* operator new(size_t size) {
    if (void* block = kmxtest::Allocate(size)) return block;
    throw std::bad_alloc();
}
void* operator new[](size_t size) {
    if (void* block = kmxtest::Allocate(size)) return block;
    throw std::bad_alloc();
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return kmxtest::Allocate(size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return kmxtest::Allocate(size);
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
