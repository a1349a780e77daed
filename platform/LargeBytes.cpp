#include "LargeBytes.h"

// std
#include <algorithm>
#include <iterator>
#include <mutex>
#include <new>
#include <vector>

#include <sys/mman.h>

namespace vtx {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t MappedSize(std::size_t size)
{
    return (size + kHugePage - 1) / kHugePage * kHugePage;
}

// A few freed blocks are kept for the next buffer of the same size, as malloc keeps its
// smaller chunks: memory the process has touched once costs no faults again, and a save or
// a paste comes back with buffers of the sizes the last one used.
constexpr std::size_t kKeptAtMost = std::size_t{64} << 20;

// At most this many blocks fit under the limit: room for them is made once, so that
// keeping a block never allocates (FreeBytes cannot fail).
constexpr std::size_t kKeptBlocks = kKeptAtMost / kLargeBytesFrom;

struct FreedBlocks {
    FreedBlocks() { blocks.reserve(kKeptBlocks); }
    std::mutex lock;
    std::vector<std::pair<std::uint8_t*, std::size_t>> blocks; // start, mapped size
    std::size_t total = 0;
};

FreedBlocks& Freed()
{
    static FreedBlocks* freed = new FreedBlocks; // never destroyed: frees may come late
    return *freed;
}

std::uint8_t* TakeFreed(std::size_t mapped)
{
    FreedBlocks& freed = Freed();
    const std::lock_guard<std::mutex> hold(freed.lock);
    // The newest first: the likeliest to be in the caches still.
    const auto it = std::find_if(freed.blocks.rbegin(), freed.blocks.rend(),
                                 [mapped](const auto& block) { return block.second == mapped; });
    if (it == freed.blocks.rend())
        return nullptr;
    std::uint8_t* bytes = it->first;
    freed.total -= mapped;
    freed.blocks.erase(std::next(it).base());
    return bytes;
}

// Keeps the block, the oldest kept ones going back to the system to make room.
bool KeepFreed(std::uint8_t* bytes, std::size_t mapped)
{
    if (mapped > kKeptAtMost)
        return false;
    FreedBlocks& freed = Freed();
    const std::lock_guard<std::mutex> hold(freed.lock);
    while (freed.total + mapped > kKeptAtMost || freed.blocks.size() >= kKeptBlocks) {
        ::munmap(freed.blocks.front().first, freed.blocks.front().second);
        freed.total -= freed.blocks.front().second;
        freed.blocks.erase(freed.blocks.begin());
    }
    freed.blocks.emplace_back(bytes, mapped);
    freed.total += mapped;
    return true;
}

} // namespace

std::uint8_t* AllocateBytes(std::size_t size)
{
    if (size < kLargeBytesFrom)
        return new std::uint8_t[size == 0 ? 1 : size];
    const std::size_t mapped = MappedSize(size);
    if (std::uint8_t* again = TakeFreed(mapped))
        return again;
    // One huge page more than needed, so that an aligned start lies inside; the rest goes back.
    void* raw = ::mmap(nullptr, mapped + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        throw std::bad_alloc();
    auto* start = static_cast<std::uint8_t*>(raw);
    const auto address = reinterpret_cast<std::uintptr_t>(start);
    const std::size_t lead = (kHugePage - address % kHugePage) % kHugePage;
    if (lead > 0)
        ::munmap(start, lead);
    if (kHugePage - lead > 0)
        ::munmap(start + lead + mapped, kHugePage - lead);
    // Advice only: without huge pages the buffer still works, with small ones.
    (void)::madvise(start + lead, mapped, MADV_HUGEPAGE);
    return start + lead;
}

void FreeBytes(std::uint8_t* bytes, std::size_t size) noexcept
{
    if (!bytes)
        return;
    if (size < kLargeBytesFrom)
        delete[] bytes;
    else if (!KeepFreed(bytes, MappedSize(size)))
        ::munmap(bytes, MappedSize(size));
}

} // namespace vtx
