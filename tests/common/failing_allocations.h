// Allocation failures on demand, for the paths that must survive them, and a
// count of allocations, for the paths that must make none: a test program
// that links this replaces the global operator new in all its forms, which
// the library, the platform and the plug-ins bind to as well. Both are per
// thread: only the thread that armed a failure sees it, and a count is of
// the calling thread's allocations, while the library's other threads and
// the camera service embedded in the test allocate as they please.
#pragma once

#include <cstddef>

namespace kmxtest {

// The C++ allocations the calling thread has made so far.
size_t AllocationCount();

// While it lives, the allocations of the calling thread that it picks fail:
// the nothrow forms answer null, the others throw std::bad_alloc.
class FailingAllocations {
  public:
    struct Pick {
        size_t nth = 0;   // the NTH allocation from now, counting from 1 (0: none)
        size_t size = 0;  // every allocation of exactly SIZE bytes (0: none)
    };
    explicit FailingAllocations(Pick pick);
    ~FailingAllocations();
    FailingAllocations(const FailingAllocations&) = delete;
    FailingAllocations& operator=(const FailingAllocations&) = delete;

    // Whether an allocation failed since it was made.
    bool Failed() const;
    // The allocations made since.
    size_t Seen() const { return seen_; }
    // Counts an allocation of SIZE bytes; whether it is to fail.
    bool Picks(size_t size);

  private:
    Pick pick_;
    size_t seen_ = 0;
    bool failed_ = false;
    FailingAllocations* outer_;
};

}  // namespace kmxtest
