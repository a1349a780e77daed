#pragma once
// The texts of Copy As, free of widgets: a selection read in pieces comes out as one text.
//   C array:  unsigned char data[N] = { 0x41, 0x42 };  (12 values a line when longer)
//   Base64:   one line, padded with '=' (RFC 4648)
//   Hex dump: as xxd prints it: offset, 16 bytes in groups of two, the bytes as text

// this program
#include "platform/FilePos.h"

// std
#include <cstddef>
#include <cstdint>
#include <string>

namespace vtx {

enum class CopyAsFormat { CArray, Base64, HexDump };

inline constexpr std::size_t kCArrayValuesPerLine = 12;
inline constexpr std::size_t kHexDumpBytesPerLine = 16;

class CopyAsWriter
{
public:
    // `first` is the file offset of the first byte (the hex dump's offsets); `count` how
    // many bytes will be appended in all (the C array's length).
    CopyAsWriter(CopyAsFormat format, FilePos first, FilePos count);

    void Append(const std::uint8_t* bytes, std::size_t count);
    // The whole text; the writer is spent afterwards.
    [[nodiscard]] std::string Finish();

    // How long the text of count bytes will be, about: to refuse before reading.
    [[nodiscard]] static FilePos TextBytesFor(CopyAsFormat format, FilePos count);

private:
    void HexDumpLine(const std::uint8_t* bytes, std::size_t count);

    CopyAsFormat m_format;
    FilePos m_nFirst;
    FilePos m_nCount;
    FilePos m_nWritten = 0;
    std::string m_text;
    // Base64's bytes waiting for a group of three; the hex dump's for a line of sixteen.
    std::uint8_t m_carry[kHexDumpBytesPerLine] = {};
    std::size_t m_nCarried = 0;
};

// The text of bytes in one call.
[[nodiscard]] std::string CopyAsText(CopyAsFormat format, const std::uint8_t* bytes, std::size_t count, FilePos first = 0);

} // namespace vtx
