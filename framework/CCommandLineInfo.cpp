#include "CCommandLineInfo.h"

#include "Trace.h"

namespace vtx {

void CCommandLineInfo::ParseParam(const QString& param, bool flag, bool last)
{
    if (flag)
        ParseParamFlag(param);
    else
        ParseParamNotFlag(param);
    ParseLast(last);
}

void CCommandLineInfo::ParseAll(const QStringList& arguments)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const bool flag = argument.startsWith(QLatin1Char('-'));
        ParseParam(flag ? argument.mid(1) : argument, flag, i + 1 == arguments.size());
    }
}

void CCommandLineInfo::ParseParamFlag(const QString& param)
{
    // "p" and "pt" are case-sensitive; the others are not.
    if (param == QLatin1String("pt")) {
        m_nShellCommand = FilePrintTo;
    } else if (param == QLatin1String("p")) {
        m_nShellCommand = FilePrint;
    } else if (param.compare(QLatin1String("Unregister"), Qt::CaseInsensitive) == 0 ||
               param.compare(QLatin1String("Unregserver"), Qt::CaseInsensitive) == 0) {
        m_nShellCommand = AppUnregister;
    } else if (param.compare(QLatin1String("dde"), Qt::CaseInsensitive) == 0 ||
               param.compare(QLatin1String("Embedding"), Qt::CaseInsensitive) == 0 ||
               param.compare(QLatin1String("Automation"), Qt::CaseInsensitive) == 0) {
        m_bIgnoredShellSwitch = true;
        Trace(QStringLiteral("command line: switch -%1 is not offered here; starting normally").arg(param));
    } else {
        Trace(QStringLiteral("command line: unknown switch -%1 ignored").arg(param));
    }
}

void CCommandLineInfo::ParseParamNotFlag(const QString& param)
{
    if (m_strFileName.isEmpty())
        m_strFileName = param;
    else if (m_nShellCommand == FilePrintTo && m_strPrinterName.isEmpty())
        m_strPrinterName = param;
    else if (m_nShellCommand == FilePrintTo && m_strDriverName.isEmpty())
        m_strDriverName = param;
    else if (m_nShellCommand == FilePrintTo && m_strPortName.isEmpty())
        m_strPortName = param;
    else
        Trace(QStringLiteral("command line: extra argument %1 ignored").arg(param));
}

void CCommandLineInfo::ParseLast(bool last)
{
    if (last && m_nShellCommand == FileNew && !m_strFileName.isEmpty())
        m_nShellCommand = FileOpen;
}

} // namespace vtx
