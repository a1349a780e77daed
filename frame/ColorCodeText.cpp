#include "frame/ColorCodeText.h"

#include "text/NumberText.h"
#include "colors/ParseCodeRange.h"

#include <string>

namespace vtx {

namespace {

QChar CharacterOfCode(std::string_view part)
{
    const int code = ((StrToL32(part, 16) % 256) + 256) % 256;
    return code < 0x20 ? QChar('.') : QChar(static_cast<char16_t>(code));
}

} // namespace

QString CodeTextToAscii(const QString& code)
{
    // The hexadecimal parts are ASCII, so reading the UTF-8 bytes reads the same numbers.
    const std::string bytes = code.toStdString();
    if (bytes.empty())
        return {};
    const auto parts = SplitCodeText(bytes);
    if (!parts)
        return {};
    QString result(CharacterOfCode(parts->low));
    if (!parts->high.empty()) {
        result += QLatin1Char('-');
        result += CharacterOfCode(parts->high);
    }
    return result;
}

bool IsCodeText(const QString& text)
{
    int dashes = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'-')
            ++dashes;
        else if (!((u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F')))
            return false;
    }
    return dashes <= 1;
}

std::optional<QString> AsciiToCodeText(const QString& characters)
{
    const std::string bytes = characters.toStdString();
    if (bytes.empty())
        return std::nullopt;
    const auto parts = SplitCodeText(bytes);
    if (!parts)
        return std::nullopt;

    // Two hex digits for the part's first character; false when it has no 8-bit code.
    auto appendCodeOfFirst = [](std::string_view part, QString& out) {
        const QString text = QString::fromUtf8(part.data(), static_cast<qsizetype>(part.size()));
        const char16_t c = text.isEmpty() ? u'\0' : text.at(0).unicode();
        if (c > 0xFF)
            return false;
        out += QStringLiteral("%1").arg(static_cast<unsigned>(c), 2, 16, QLatin1Char('0')).toUpper();
        return true;
    };
    QString result;
    if (!appendCodeOfFirst(parts->low, result))
        return QString();
    if (!parts->high.empty()) {
        result += QLatin1Char('-');
        if (!appendCodeOfFirst(parts->high, result))
            return QString();
    }
    return result;
}

} // namespace vtx
