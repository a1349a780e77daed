#include "platform/PathBytes.h"

// std
#include <cstdlib>
#include <memory>

namespace vtx {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// The length of the valid UTF-8 sequence at bytes[i] (1 to 4), or 0 when there is none:
// overlong forms, surrogates and values past U+10FFFF are not valid.
int ValidSequenceLength(QByteArrayView bytes, qsizetype i)
{
    const auto at = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = at(i);
    if (lead < 0x80)
        return 1;
    int length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > bytes.size())
        return 0;
    for (int k = 1; k < length; ++k) {
        const unsigned char next = at(i + k);
        if ((next & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

QString DecodePathBytes(QByteArrayView bytes)
{
    QString result;
    result.reserve(bytes.size());
    qsizetype i = 0;
    while (i < bytes.size()) {
        const int length = ValidSequenceLength(bytes, i);
        if (length == 0) {
            result += QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[i])));
            ++i;
            continue;
        }
        result += QString::fromUtf8(bytes.sliced(i, length));
        i += length;
    }
    return result;
}

QByteArray EncodePathBytes(const QString& path)
{
    QByteArray result;
    result.reserve(path.size());
    qsizetype runStart = 0;
    const auto flush = [&](qsizetype end) {
        if (end > runStart)
            result += QStringView(path).sliced(runStart, end - runStart).toUtf8();
    };
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t unit = path[i].unicode();
        const bool escaped = unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF
                             && !(i > 0 && path[i - 1].isHighSurrogate());
        if (!escaped)
            continue;
        flush(i);
        result += static_cast<char>(unit - kEscapeBase);
        runStart = i + 1;
    }
    flush(path.size());
    return result;
}

QString CanonicalPathBytes(const QString& path)
{
    const QByteArray bytes = EncodePathBytes(path);
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(bytes.constData(), nullptr), &std::free);
    return resolved ? DecodePathBytes(QByteArrayView(resolved.get())) : QString();
}

} // namespace vtx
