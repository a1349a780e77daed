#pragma once
// A checksum for records that must be told whole from torn or damaged.

// std
#include <cstddef>
#include <cstdint>

namespace vtx {

// A fast 64-bit checksum of a stream of bytes, fed in pieces of any size: four lanes of
// multiply and rotate over 32-byte blocks. A save checks the old bytes it keeps and the new
// bytes it writes, megabytes each, at memory speed (CRC-32 would cost as much as the write).
// Any one changed byte changes the value: every step is a bijection of the lane it touches.
class ByteCheck
{
public:
    void Add(const std::uint8_t* data, std::size_t size);
    [[nodiscard]] std::uint64_t Value() const;
    // The check of one buffer.
    [[nodiscard]] static std::uint64_t Of(const std::uint8_t* data, std::size_t size);

private:
    void Block(const std::uint8_t* block);

    std::uint64_t m_lanes[4] = {0x9E3779B185EBCA87u, 0xC2B2AE3D27D4EB4Fu, 0x165667B19E3779F9u, 0x85EBCA77C2B2AE63u};
    std::uint8_t m_carry[32] = {};
    std::size_t m_carried = 0;
    std::uint64_t m_total = 0;
};

} // namespace vtx
