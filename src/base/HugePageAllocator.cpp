#include "base/HugePageAllocator.h"

#include <algorithm>
#include <cstdint>
#include <mutex>

#if defined(__SANITIZE_ADDRESS__)
#define TREVASC_HEAP_ONLY 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TREVASC_HEAP_ONLY 1
#endif
#endif
#if !defined(__linux__)
#define TREVASC_HEAP_ONLY 1
#endif

#ifndef TREVASC_HEAP_ONLY
#include <sys/mman.h>
#endif
#if defined(__GLIBC__) && !defined(TREVASC_HEAP_ONLY)
#include <malloc.h>
#endif

namespace trevasc {

#ifdef TREVASC_HEAP_ONLY

void* AllocateLargeBlock(std::size_t bytes) {
    return ::operator new(bytes);
}

void FreeLargeBlock(void* block, std::size_t) noexcept {
    ::operator delete(block);
}

#else

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kSmallBelow = std::size_t{16} << 10;
constexpr std::size_t kOwnMappingFrom = std::size_t{1} << 20;
constexpr std::size_t kChunk = std::size_t{8} << 20;
// Start of a chunk: its count of live blocks (the blocks follow, 64-byte aligned).
constexpr std::size_t kChunkHeader = 64;

std::size_t RoundUp(std::size_t n, std::size_t to) {
    return (n + to - 1) / to * to;
}

// `size` bytes of fresh memory aligned to `alignment` (a multiple of the page size), marked
// for huge pages. The mapping is taken larger and the unaligned ends are given back.
char* MapAligned(std::size_t size, std::size_t alignment) {
    const std::size_t span = size + alignment;
    void* raw = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) throw std::bad_alloc();
    char* const begin = static_cast<char*>(raw);
    const auto address = reinterpret_cast<std::uintptr_t>(begin);
    char* const aligned = begin + (RoundUp(address, alignment) - address);
    if (aligned > begin) ::munmap(begin, static_cast<std::size_t>(aligned - begin));
    char* const end = aligned + size;
    if (begin + span > end) ::munmap(end, static_cast<std::size_t>(begin + span - end));
    // Only advice: without transparent huge pages the memory works the same on small pages.
    ::madvise(aligned, size, MADV_HUGEPAGE);
    return aligned;
}

// The chunk blocks are cut from. Constant-initialised: usable during static destruction too.
std::mutex chunkMutex;
char* currentChunk = nullptr;
std::size_t currentUsed = 0;

std::size_t& LiveBlocks(char* chunk) {
    return *reinterpret_cast<std::size_t*>(chunk);
}

char* ChunkOf(void* block) {
    return reinterpret_cast<char*>(reinterpret_cast<std::uintptr_t>(block) & ~(kChunk - 1));
}

void* CutFromChunk(std::size_t bytes) {
    bytes = RoundUp(bytes, 64);
    std::lock_guard<std::mutex> lock(chunkMutex);
    if (!currentChunk || currentUsed + bytes > kChunk) {
        char* const fresh = MapAligned(kChunk, kChunk);
        // The old chunk now lives on only through its blocks; empty, it goes at once.
        if (currentChunk && LiveBlocks(currentChunk) == 0) ::munmap(currentChunk, kChunk);
        currentChunk = fresh;
        LiveBlocks(currentChunk) = 0;
        currentUsed = kChunkHeader;
    }
    void* const block = currentChunk + currentUsed;
    currentUsed += bytes;
    ++LiveBlocks(currentChunk);
    return block;
}

void ReturnToChunk(void* block) {
    char* const chunk = ChunkOf(block);
    std::lock_guard<std::mutex> lock(chunkMutex);
    if (--LiveBlocks(chunk) > 0) return;
    if (chunk == currentChunk)
        currentUsed = kChunkHeader;  // empty: cut again from its start
    else
        ::munmap(chunk, kChunk);
}

// Freed mappings kept for the next large blocks. The kernel zeroes every page of a fresh mapping
// as it is first touched: reading and searching a million-point file maps some 80 MB anew each
// time, and the zeroing took a fifth of a peak search on a scan read before. The last freed
// mappings are kept instead, up to kMaxSpares of them and kSpareBytes in all (the oldest go
// first), marked MADV_FREE: their pages stay in place until the system runs short of memory,
// which may then take them (they come back zeroed; a block's contents are undefined anyway).
// A new block takes the smallest spare that holds it and gives the rest back.
constexpr std::size_t kMaxSpares = 8;
constexpr std::size_t kSpareBytes = std::size_t{128} << 20;

struct Spare {
    char* At = nullptr;
    std::size_t Size = 0;
};
std::mutex spareMutex;
Spare spares[kMaxSpares];  // oldest first
std::size_t spareCount = 0;
std::size_t spareTotal = 0;

// Removes spare k; the caller holds the mutex.
Spare RemoveSpare(std::size_t k) {
    const Spare s = spares[k];
    std::copy(spares + k + 1, spares + spareCount, spares + k);
    --spareCount;
    spareTotal -= s.Size;
    return s;
}

// A spare mapping cut to `size` bytes (a multiple of kHugePage); nullptr when none is that large.
char* TakeSpare(std::size_t size) {
    Spare taken;
    {
        std::lock_guard<std::mutex> lock(spareMutex);
        std::size_t best = kMaxSpares;
        for (std::size_t k = 0; k < spareCount; ++k)
            if (spares[k].Size >= size &&
                (best == kMaxSpares || spares[k].Size < spares[best].Size))
                best = k;
        if (best == kMaxSpares) return nullptr;
        taken = RemoveSpare(best);
    }
    if (taken.Size > size) ::munmap(taken.At + size, taken.Size - size);
    return taken.At;
}

// Keeps a freed mapping as the newest spare, giving back the oldest ones it has no room for.
void KeepAsSpare(char* at, std::size_t size) {
    if (size > kSpareBytes || ::madvise(at, size, MADV_FREE) != 0) {
        ::munmap(at, size);
        return;
    }
    Spare dropped[kMaxSpares];
    std::size_t droppedCount = 0;
    {
        std::lock_guard<std::mutex> lock(spareMutex);
        while (spareCount == kMaxSpares || spareTotal + size > kSpareBytes)
            dropped[droppedCount++] = RemoveSpare(0);
        spares[spareCount++] = {at, size};
        spareTotal += size;
    }
    for (std::size_t k = 0; k < droppedCount; ++k) ::munmap(dropped[k].At, dropped[k].Size);
}

}  // namespace

void* AllocateLargeBlock(std::size_t bytes) {
    if (bytes < kSmallBelow) return ::operator new(bytes);
    if (bytes < kOwnMappingFrom) return CutFromChunk(bytes);
    const std::size_t size = RoundUp(bytes, kHugePage);
    if (char* spare = TakeSpare(size)) return spare;
    return MapAligned(size, kHugePage);
}

void FreeLargeBlock(void* block, std::size_t bytes) noexcept {
    if (!block) return;
    if (bytes < kSmallBelow)
        ::operator delete(block);
    else if (bytes < kOwnMappingFrom)
        ReturnToChunk(block);
    else
        KeepAsSpare(static_cast<char*>(block), RoundUp(bytes, kHugePage));
}

#endif

void ReleaseFreeHeapPages() noexcept {
#if defined(__GLIBC__) && !defined(TREVASC_HEAP_ONLY)
    ::malloc_trim(0);
#endif
}

}  // namespace trevasc
