#pragma once
// Memory for bytes that are about to be written over (read from a file, copied from a
// paste): never zeroed first, and, from a few MiB on, mapped 2 MiB-aligned with transparent
// huge pages asked for. On a virtual machine every 4 KiB page fault is dear; a 16 MiB
// buffer then takes eight faults instead of four thousand, and a freed one is kept (up to a
// few) for the next buffer of its size.

// std
#include <cstddef>
#include <cstdint>
#include <utility>

namespace vtx {

// From this size on a buffer gets a mapping of its own, rounded up to whole huge pages.
inline constexpr std::size_t kLargeBytesFrom = std::size_t{4} << 20;

// size uninitialised bytes; throws std::bad_alloc. Free them with FreeBytes and the same size.
[[nodiscard]] std::uint8_t* AllocateBytes(std::size_t size);
void FreeBytes(std::uint8_t* bytes, std::size_t size) noexcept;

// An owned block of AllocateBytes.
class LargeBytes
{
public:
    LargeBytes() = default;
    explicit LargeBytes(std::size_t size) : m_bytes(AllocateBytes(size)), m_size(size) {}
    ~LargeBytes() { FreeBytes(m_bytes, m_size); }
    LargeBytes(LargeBytes&& other) noexcept
        : m_bytes(std::exchange(other.m_bytes, nullptr)), m_size(std::exchange(other.m_size, 0))
    {
    }
    LargeBytes& operator=(LargeBytes&& other) noexcept
    {
        if (this != &other) {
            FreeBytes(m_bytes, m_size);
            m_bytes = std::exchange(other.m_bytes, nullptr);
            m_size = std::exchange(other.m_size, 0);
        }
        return *this;
    }
    LargeBytes(const LargeBytes&) = delete;
    LargeBytes& operator=(const LargeBytes&) = delete;

    [[nodiscard]] std::uint8_t* data() const { return m_bytes; }
    [[nodiscard]] std::size_t size() const { return m_size; }

private:
    std::uint8_t* m_bytes = nullptr;
    std::size_t m_size = 0;
};

} // namespace vtx
