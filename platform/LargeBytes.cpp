#include "LargeBytes.h"

// std
#include <new>

#include <sys/mman.h>

namespace vtx {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t MappedSize(std::size_t size)
{
    return (size + kHugePage - 1) / kHugePage * kHugePage;
}

} // namespace

std::uint8_t* AllocateBytes(std::size_t size)
{
    if (size < kLargeBytesFrom)
        return new std::uint8_t[size == 0 ? 1 : size];
    const std::size_t mapped = MappedSize(size);
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
    else
        ::munmap(bytes, MappedSize(size));
}

} // namespace vtx
