#include "CopyAsText.h"

// std
#include <algorithm>
#include <cstdio>

namespace vtx {

namespace {

constexpr char kLowerHex[] = "0123456789abcdef";
// The C array's frame: "unsigned char data[N] = {" and its close, on a line of its own
// when the values take more than one line.
constexpr char kCArrayHead[] = "unsigned char data[";
constexpr char kCArrayOpen[] = "] = {";
constexpr char kCArrayCloseOwnLine[] = "\n};\n";
constexpr char kCArrayCloseSameLine[] = " };\n";
constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

void AppendBase64Group(std::string& text, const std::uint8_t* bytes, std::size_t count)
{
    const std::uint32_t group = (std::uint32_t{bytes[0]} << 16) | (count > 1 ? std::uint32_t{bytes[1]} << 8 : 0) |
                                (count > 2 ? std::uint32_t{bytes[2]} : 0);
    text += kBase64[(group >> 18) & 0x3F];
    text += kBase64[(group >> 12) & 0x3F];
    text += count > 1 ? kBase64[(group >> 6) & 0x3F] : '=';
    text += count > 2 ? kBase64[group & 0x3F] : '=';
}

} // namespace

CopyAsWriter::CopyAsWriter(CopyAsFormat format, FilePos first, FilePos count)
    : m_format(format), m_nFirst(first), m_nCount(count)
{
    if (format == CopyAsFormat::CArray) {
        m_text = kCArrayHead + std::to_string(count) + kCArrayOpen;
        m_text += count > kCArrayValuesPerLine ? "\n    " : " ";
    }
}

FilePos CopyAsWriter::TextBytesFor(CopyAsFormat format, FilePos count)
{
    switch (format) {
    case CopyAsFormat::CArray: return count * 6 + count / kCArrayValuesPerLine * 4 + 64;
    case CopyAsFormat::Base64: return (count + 2) / 3 * 4;
    case CopyAsFormat::HexDump: return (count + kHexDumpBytesPerLine - 1) / kHexDumpBytesPerLine * 76;
    }
    return count;
}

void CopyAsWriter::Append(const std::uint8_t* bytes, std::size_t count)
{
    switch (m_format) {
    case CopyAsFormat::CArray:
        for (std::size_t i = 0; i < count; ++i, ++m_nWritten) {
            if (m_nWritten > 0)
                m_text += m_nWritten % kCArrayValuesPerLine == 0 ? ",\n    " : ", ";
            m_text += "0x";
            m_text += kLowerHex[bytes[i] >> 4];
            m_text += kLowerHex[bytes[i] & 0x0F];
        }
        return;
    case CopyAsFormat::Base64:
        for (std::size_t i = 0; i < count; ++i) {
            m_carry[m_nCarried++] = bytes[i];
            if (m_nCarried == 3) {
                AppendBase64Group(m_text, m_carry, 3);
                m_nCarried = 0;
            }
        }
        return;
    case CopyAsFormat::HexDump:
        while (count > 0) {
            const std::size_t take = std::min(count, kHexDumpBytesPerLine - m_nCarried);
            std::copy(bytes, bytes + take, m_carry + m_nCarried);
            m_nCarried += take;
            bytes += take;
            count -= take;
            if (m_nCarried == kHexDumpBytesPerLine) {
                HexDumpLine(m_carry, m_nCarried);
                m_nCarried = 0;
            }
        }
        return;
    }
}

void CopyAsWriter::HexDumpLine(const std::uint8_t* bytes, std::size_t count)
{
    char offset[24];
    std::snprintf(offset, sizeof offset, "%08llx: ", static_cast<unsigned long long>(m_nFirst + m_nWritten));
    m_text += offset;
    for (std::size_t i = 0; i < kHexDumpBytesPerLine; ++i) {
        if (i < count) {
            m_text += kLowerHex[bytes[i] >> 4];
            m_text += kLowerHex[bytes[i] & 0x0F];
        } else {
            m_text += "  ";
        }
        if (i % 2 == 1)
            m_text += ' ';
    }
    m_text += ' ';
    for (std::size_t i = 0; i < count; ++i)
        m_text += bytes[i] >= 0x20 && bytes[i] < 0x7F ? static_cast<char>(bytes[i]) : '.';
    m_text += '\n';
    m_nWritten += count;
}

std::string CopyAsWriter::Finish()
{
    switch (m_format) {
    case CopyAsFormat::CArray:
        m_text += m_nCount > kCArrayValuesPerLine ? kCArrayCloseOwnLine : kCArrayCloseSameLine;
        break;
    case CopyAsFormat::Base64:
        if (m_nCarried > 0)
            AppendBase64Group(m_text, m_carry, m_nCarried);
        m_nCarried = 0;
        break;
    case CopyAsFormat::HexDump:
        if (m_nCarried > 0)
            HexDumpLine(m_carry, m_nCarried);
        m_nCarried = 0;
        break;
    }
    return std::move(m_text);
}

std::string CopyAsText(CopyAsFormat format, const std::uint8_t* bytes, std::size_t count, FilePos first)
{
    CopyAsWriter writer(format, first, count);
    writer.Append(bytes, count);
    return writer.Finish();
}

} // namespace vtx
