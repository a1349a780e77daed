#pragma once
// A byte's position in a file, or a file's length. 64-bit from the system calls up to the
// scroll bar, so that a disk image opens like any small file.

#include <cstdint>
#include <limits>

namespace vtx {

using FilePos = std::uint64_t;

// The largest position the system's file offsets (signed 64-bit off_t) can reach.
inline constexpr FilePos kMaxFilePos = static_cast<FilePos>(std::numeric_limits<std::int64_t>::max());

} // namespace vtx

namespace vtx {

// A run of bytes of a file: `length` bytes from `first` on. A selection, a match, a
// difference are all ranges.
struct ByteRange {
    FilePos first = 0;
    FilePos length = 0;
    [[nodiscard]] FilePos End() const { return first + length; }
    [[nodiscard]] FilePos Last() const { return first + length - 1; }
    [[nodiscard]] bool Empty() const { return length == 0; }
    friend bool operator==(const ByteRange&, const ByteRange&) = default;
};

} // namespace vtx
