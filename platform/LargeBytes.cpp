#include "LargeBytes.h"

// std
#include <algorithm>
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
constexpr std::size_t kKeptAtMost = std::size_t{32} << 20;

struct FreedBlocks {
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
    const auto it = std::find_if(freed.blocks.begin(), freed.blocks.end(),
                                 [mapped](const auto& block) { return block.second == mapped; });
    if (it == freed.blocks.end())
        return nullptr;
    std::uint8_t* bytes = it->first;
    freed.total -= mapped;
    freed.blocks.erase(it);
    return bytes;
}

bool KeepFreed(std::uint8_t* bytes, std::size_t mapped)
{
    FreedBlocks& freed = Freed();
    const std::lock_guard<std::mutex> hold(freed.lock);
    if (freed.total + mapped > kKeptAtMost)
        return false;
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
