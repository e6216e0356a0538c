#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "base/HugePageAllocator.h"

using namespace trevasc;

namespace {

struct Block {
    unsigned char* Data;
    size_t Bytes;
    unsigned char Fill;
};

Block Take(size_t bytes, unsigned char fill) {
    auto* p = static_cast<unsigned char*>(AllocateLargeBlock(bytes));
    std::memset(p, fill, bytes);
    return {p, bytes, fill};
}

// Every byte of every block still holds its own fill: no two blocks overlap.
void ExpectIntact(const std::vector<Block>& blocks) {
    for (const Block& b : blocks) {
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(b.Data) % 16, 0u) << b.Bytes;
        size_t wrong = 0;
        for (size_t i = 0; i < b.Bytes; ++i) wrong += b.Data[i] != b.Fill;
        EXPECT_EQ(wrong, 0u) << "block of " << b.Bytes << " bytes";
    }
}

}  // namespace

TEST(HugePageAllocator, BlocksOfEverySizeAreDistinctAndSurviveFreeingInAnyOrder) {
    // Heap, chunk and own-mapping sizes with their edges; 300 blocks of 64000 bytes fill several
    // chunks.
    std::vector<size_t> sizes = {0, 1, 100, 16383, 16384, 64000, 1048575, size_t{1} << 20, 3145733};
    for (int i = 0; i < 300; ++i) sizes.push_back(64000);
    std::vector<Block> blocks;
    for (size_t i = 0; i < sizes.size(); ++i)
        blocks.push_back(Take(sizes[i], static_cast<unsigned char>(i * 7 + 1)));
    ExpectIntact(blocks);

    // Free every other block, take new ones in their place (a freed chunk place may come back).
    std::vector<Block> kept;
    for (size_t i = 0; i < blocks.size(); ++i) {
        if (i % 2)
            FreeLargeBlock(blocks[i].Data, blocks[i].Bytes);
        else
            kept.push_back(blocks[i]);
    }
    for (size_t i = 0; i < 200; ++i)
        kept.push_back(Take(i % 3 ? 64000 : 2000000, static_cast<unsigned char>(0xA0 + i % 50)));
    ExpectIntact(kept);
    for (auto it = kept.rbegin(); it != kept.rend(); ++it) FreeLargeBlock(it->Data, it->Bytes);

    // Once everything is back, the memory serves again.
    std::vector<Block> again;
    for (int i = 0; i < 150; ++i) again.push_back(Take(70000, static_cast<unsigned char>(i)));
    ExpectIntact(again);
    for (const Block& b : again) FreeLargeBlock(b.Data, b.Bytes);
}

TEST(HugePageAllocator, GrowingAndCopiedVectorsKeepTheirElements) {
    std::vector<int64_t, HugePageAllocator<int64_t>> v;
    for (int64_t i = 0; i < 300000; ++i) v.push_back(i * i);  // passes through every size class
    auto copy = v;
    v.clear();
    v.shrink_to_fit();
    ASSERT_EQ(copy.size(), 300000u);
    for (int64_t i = 0; i < 300000; i += 997) EXPECT_EQ(copy[static_cast<size_t>(i)], i * i);
}

TEST(HugePageAllocator, NewElementsAreZeroUnlessGrowingUnconstructedOnThisThread) {
    std::vector<int64_t, HugePageAllocator<int64_t>> v(1000, 5);
    v.clear();
    v.resize(1000);  // the same memory, value-initialised again
    EXPECT_EQ(std::count(v.begin(), v.end(), 0), 1000);
    {
        GrowUnconstructed outer;
        { GrowUnconstructed inner; }
        EXPECT_TRUE(GrowUnconstructed::Active()) << "an inner scope ended the outer one";
        bool elsewhere = true;
        std::thread([&] { elsewhere = GrowUnconstructed::Active(); }).join();
        EXPECT_FALSE(elsewhere);
    }
    EXPECT_FALSE(GrowUnconstructed::Active());
    v.assign(1000, 5);
    v.clear();
    v.resize(1000);
    EXPECT_EQ(std::count(v.begin(), v.end(), 0), 1000) << "still unconstructed after the scope";
}

#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
namespace {
// Resident bytes of this process, from the second field of /proc/self/statm (in pages).
long ResidentBytes() {
    long size = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &size, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * sysconf(_SC_PAGESIZE);
}
}  // namespace

TEST(HugePageAllocator, FreedHeapBelowALiveBlockGoesBackToTheSystem) {
    // 64 MB of small blocks, as a reader's strings, then one block after them that stays.
    constexpr size_t kBlocks = 16384, kBytes = 4000;
    std::vector<char*> blocks;
    blocks.reserve(kBlocks);  // nothing freed in between: the blocks follow one another
    for (size_t i = 0; i < kBlocks; ++i) {
        blocks.push_back(new char[kBytes]);
        std::memset(blocks.back(), 1, kBytes);
        asm volatile("" : : "r"(blocks.back()) : "memory");  // the pages are really written
    }
    auto* keeper = new char[kBytes];
    asm volatile("" : : "r"(keeper) : "memory");  // kept, above all the others
    for (char* b : blocks) delete[] b;
    const long freed = ResidentBytes();
    ReleaseFreeHeapPages();
    const long released = ResidentBytes();
    delete[] keeper;
    // Most of the 64 MB were still resident after the frees, and are not after the release.
    EXPECT_GT(freed - released, static_cast<long>(kBlocks * kBytes) * 3 / 4)
        << freed << " -> " << released;
}

namespace {
// Whether the page at `p` is mapped in this process (mincore fails with ENOMEM where not).
bool Mapped(const void* p) {
    unsigned char state = 0;
    void* page = reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(p) &
                                         ~static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE) - 1));
    return mincore(page, 1, &state) == 0;
}
}  // namespace

TEST(HugePageAllocator, FreedMappingsServeTheNextBlocksWithinALimit) {
    // Sizes no other test frees, so that the spares of those do not answer first.
    constexpr size_t MiB = size_t{1} << 20;
    Block a = Take(21 * MiB + 5, 1);
    unsigned char* const at = a.Data;
    FreeLargeBlock(a.Data, a.Bytes);
    a = Take(22 * MiB, 2);  // the same 22 MiB mapping, not a new one
    EXPECT_EQ(a.Data, at);
    ExpectIntact({a});
    FreeLargeBlock(a.Data, a.Bytes);
    a = Take(9 * MiB, 3);  // cut from it; the 12 MiB beyond go back to the system
    EXPECT_EQ(a.Data, at);
    ExpectIntact({a});
    EXPECT_FALSE(Mapped(at + 10 * MiB));
    EXPECT_FALSE(Mapped(at + 22 * MiB - 1));
    FreeLargeBlock(a.Data, a.Bytes);

    // Of ten blocks of 30 MiB freed, the last four stay mapped (120 of at most 128 MiB kept).
    std::vector<Block> blocks;
    for (int i = 0; i < 10; ++i) blocks.push_back(Take(30 * MiB, static_cast<unsigned char>(i)));
    for (const Block& b : blocks) FreeLargeBlock(b.Data, b.Bytes);
    for (size_t i = 0; i < blocks.size(); ++i)
        EXPECT_EQ(Mapped(blocks[i].Data) && Mapped(blocks[i].Data + blocks[i].Bytes - 1), i >= 6)
            << "block " << i;
    std::vector<Block> again;
    for (int i = 0; i < 6; ++i) again.push_back(Take(30 * MiB, static_cast<unsigned char>(9 + i)));
    ExpectIntact(again);
    for (const Block& b : again) FreeLargeBlock(b.Data, b.Bytes);
}
#endif
