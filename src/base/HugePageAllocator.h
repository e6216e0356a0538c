#pragma once
// Memory for the large arrays of the workbench (the points of a scan), backed by transparent
// huge pages where the system offers them.
//
// A million-point scan is 32 MB of points, and an area measurement of 1000 scans of 2000 points
// is 64 MB in 1000 arrays. On ordinary 4 KiB pages the first touch of such memory costs one page
// fault per 4 KiB, which took a third of the time of reading an area measurement; with 2 MiB
// pages it is one fault per 2 MiB. Linux gives huge pages to memory marked with
// madvise(MADV_HUGEPAGE) that is aligned to 2 MiB, so:
//   - small blocks (below 16 KiB) come from the ordinary heap;
//   - blocks of 1 MiB and more get a mapping of their own, aligned to and rounded up to 2 MiB;
//     a few freed ones are kept for the next such blocks, whose pages are then in place already;
//   - the blocks in between are cut one after the other from 8 MiB chunks (aligned to 8 MiB,
//     so that a block finds its chunk by its address); a chunk goes back to the system when its
//     last block is freed.
// Builds with AddressSanitizer take every block from the heap, so that it checks them all.
#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>

namespace trevasc {

// A block of at least `bytes` bytes, aligned for any scalar type; throws std::bad_alloc.
void* AllocateLargeBlock(std::size_t bytes);
// Frees a block from AllocateLargeBlock; `bytes` is the size it was asked for.
void FreeLargeBlock(void* block, std::size_t bytes) noexcept;

// Gives the free pages inside the ordinary heap back to the system. The C library returns freed
// heap memory only from the heap's top: the millions of small strings a reader makes of a large
// file stay resident below the first block that outlives them (a scan's name, say). Called
// where much was freed at once; does nothing where the C library offers no such call.
void ReleaseFreeHeapPages() noexcept;

// While an object of this class lives, a vector of HugePageAllocator that grows on the same thread
// leaves its new elements unconstructed where they are trivially copyable and destructible (as
// the points of a scan): for an array that its maker writes whole right after, on two threads, so
// that its fresh pages are first touched by the threads that fill them instead of being zeroed on
// one first. Other types, and other threads, construct as ever.
class GrowUnconstructed {
  public:
    GrowUnconstructed() noexcept : before_(active_) { active_ = true; }
    ~GrowUnconstructed() { active_ = before_; }
    GrowUnconstructed(const GrowUnconstructed&) = delete;
    GrowUnconstructed& operator=(const GrowUnconstructed&) = delete;
    static bool Active() noexcept { return active_; }

  private:
    static inline thread_local bool active_ = false;
    bool before_;
};

// Allocator for std::vector and the other standard containers.
template <class T>
class HugePageAllocator {
  public:
    static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);
    using value_type = T;

    HugePageAllocator() noexcept = default;
    template <class U>
    HugePageAllocator(const HugePageAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
        return static_cast<T*>(AllocateLargeBlock(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept { FreeLargeBlock(p, n * sizeof(T)); }

    // A new element without arguments is value-initialised, as by the standard allocator, except
    // under GrowUnconstructed.
    template <class U>
    void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
        if constexpr (std::is_trivially_copyable_v<U> && std::is_trivially_destructible_v<U>)
            if (GrowUnconstructed::Active()) return;
        ::new (static_cast<void*>(p)) U();
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }

    template <class U>
    bool operator==(const HugePageAllocator<U>&) const noexcept {
        return true;
    }
};

}  // namespace trevasc
