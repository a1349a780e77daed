#include "ByteCheck.h"

// std
#include <algorithm>
#include <bit>
#include <cstring>

namespace vtx {

namespace {

constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87u;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Fu;
constexpr std::uint64_t kPrime3 = 0x165667B19E3779F9u;

std::uint64_t Rotl(std::uint64_t value, int bits)
{
    return (value << bits) | (value >> (64 - bits));
}

std::uint64_t LoadLittle64(const std::uint8_t* p)
{
    std::uint64_t value = 0;
    std::memcpy(&value, p, sizeof value);
    if constexpr (std::endian::native == std::endian::big)
        value = __builtin_bswap64(value);
    return value;
}

std::uint64_t Round(std::uint64_t lane, const std::uint8_t* word)
{
    return Rotl(lane + LoadLittle64(word) * kPrime2, 31) * kPrime1;
}

} // namespace

void ByteCheck::Block(const std::uint8_t* block)
{
    m_lanes[0] = Round(m_lanes[0], block);
    m_lanes[1] = Round(m_lanes[1], block + 8);
    m_lanes[2] = Round(m_lanes[2], block + 16);
    m_lanes[3] = Round(m_lanes[3], block + 24);
}

void ByteCheck::Add(const std::uint8_t* data, std::size_t size)
{
    // An empty piece may come without a buffer at all; memcpy must not see its null.
    if (size == 0)
        return;
    m_total += size;
    if (m_carried > 0) {
        const std::size_t take = std::min(size, sizeof m_carry - m_carried);
        std::memcpy(m_carry + m_carried, data, take);
        m_carried += take;
        data += take;
        size -= take;
        if (m_carried < sizeof m_carry)
            return;
        Block(m_carry);
        m_carried = 0;
    }
    std::uint64_t a = m_lanes[0], b = m_lanes[1], c = m_lanes[2], d = m_lanes[3];
    for (; size >= sizeof m_carry; data += sizeof m_carry, size -= sizeof m_carry) {
        a = Round(a, data);
        b = Round(b, data + 8);
        c = Round(c, data + 16);
        d = Round(d, data + 24);
    }
    m_lanes[0] = a;
    m_lanes[1] = b;
    m_lanes[2] = c;
    m_lanes[3] = d;
    std::memcpy(m_carry, data, size);
    m_carried = size;
}

std::uint64_t ByteCheck::Value() const
{
    std::uint64_t h = Rotl(m_lanes[0], 1) + Rotl(m_lanes[1], 7) + Rotl(m_lanes[2], 12) + Rotl(m_lanes[3], 18);
    h = (h ^ m_total) * kPrime1;
    for (std::size_t i = 0; i < m_carried; ++i)
        h = Rotl(h ^ (m_carry[i] * kPrime3), 11) * kPrime1;
    h ^= h >> 33;
    h *= kPrime2;
    h ^= h >> 29;
    h *= kPrime3;
    return h ^ (h >> 32);
}

std::uint64_t ByteCheck::Of(const std::uint8_t* data, std::size_t size)
{
    ByteCheck check;
    check.Add(data, size);
    return check.Value();
}

} // namespace vtx
