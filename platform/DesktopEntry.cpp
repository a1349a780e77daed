#include "DesktopEntry.h"

namespace vtx {

namespace {

// Characters that oblige an Exec argument to be quoted.
bool NeedsQuotes(const QString& argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    if (argument.isEmpty())
        return true;
    for (QChar c : argument)
        if (reserved.contains(c) || c.unicode() < 0x20)
            return true;
    return false;
}

QString QuoteArgument(const QString& argument)
{
    QString text;
    for (QChar c : argument) {
        if (c == QLatin1Char('%'))
            text += QLatin1Char('%'); // "%%" is a literal percent, not a field code
        else if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                 c == QLatin1Char('\\'))
            text += QLatin1Char('\\');
        text += c;
    }
    return NeedsQuotes(argument) ? QLatin1Char('"') + text + QLatin1Char('"') : text;
}

} // namespace

QString DesktopEscapeString(const QString& value)
{
    QString text;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == QLatin1Char('\\'))
            text += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            text += QStringLiteral("\\n");
        else if (c == QLatin1Char('\r'))
            text += QStringLiteral("\\r");
        else if (c == QLatin1Char('\t'))
            text += QStringLiteral("\\t");
        else if (c == QLatin1Char(' ') && i == 0)
            text += QStringLiteral("\\s"); // a leading blank would be taken for layout
        else
            text += c;
    }
    return text;
}

QStringList DesktopLaunchCommand(const QString& program)
{
    if (program.contains(QLatin1Char('%')))
        return {QStringLiteral("/usr/bin/env"), program};
    return {program};
}

QString DesktopExecValue(const QStringList& arguments, const QString& fieldCode)
{
    QStringList quoted;
    for (const QString& argument : arguments)
        quoted.append(QuoteArgument(argument));
    if (!fieldCode.isEmpty())
        quoted.append(fieldCode);
    return quoted.join(QLatin1Char(' '));
}

QByteArray DesktopEntryText(const DesktopKeys& keys)
{
    QString text = QStringLiteral("[Desktop Entry]\n");
    for (const auto& [key, value] : keys)
        text += key + QLatin1Char('=') + DesktopEscapeString(value) + QLatin1Char('\n');
    return text.toUtf8();
}

} // namespace vtx
